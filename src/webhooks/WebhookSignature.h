#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <string>

namespace tamberlink {

// Secrets and signatures of webhook deliveries: a secret is "whsec_" and the base64 of
// random bytes; a delivery is signed with HMAC-SHA256 over "id.timestamp.body" keyed with
// the secret's bytes, and the signature header reads "v1," and the base64 of that digest.
namespace webhook {

// Bytes of a new secret, and the fewest and most a secret may have.
inline constexpr int kSecretBytes = 32;
inline constexpr int kMinSecretBytes = 24;
inline constexpr int kMaxSecretBytes = 64;

QString NewSecret();
// The key bytes of `secret` ("whsec_" is optional). False, with `error` saying why, for text
// that is not base64 or a key of the wrong size.
bool DecodeSecret(const QString& secret, QByteArray& key, QString& error);
// "v1,<base64 of HMAC-SHA256(key, id.timestamp.body)>".
std::string Sign(const QByteArray& key, const std::string& id, std::int64_t timestamp,
                 const std::string& body);

} // namespace webhook
} // namespace tamberlink
