#include "webhooks/WebhookSignature.h"

#include <QMessageAuthenticationCode>
#include <QRandomGenerator>

#include <vector>

namespace tamberlink::webhook {

namespace {
const QString kPrefix = QStringLiteral("whsec_");
}

QString NewSecret() {
    std::vector<quint32> words(kSecretBytes / 4);
    QRandomGenerator::system()->generate(words.begin(), words.end());
    const QByteArray bytes(reinterpret_cast<const char*>(words.data()), kSecretBytes);
    return kPrefix + QString::fromLatin1(bytes.toBase64());
}

bool DecodeSecret(const QString& secret, QByteArray& key, QString& error) {
    QString text = secret.trimmed();
    if (text.startsWith(kPrefix)) {
        text.remove(0, kPrefix.size());
    }
    if (text.isEmpty()) {
        error = QStringLiteral("密钥为空");
        return false;
    }
    const auto decoded =
        QByteArray::fromBase64Encoding(text.toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
    // Latin-1 turns other characters into '?', which base64 refuses as well.
    if (!decoded || text.toLatin1() != text.toUtf8()) {
        error = QStringLiteral("密钥不是有效的base64文本");
        return false;
    }
    if (decoded.decoded.size() < kMinSecretBytes || decoded.decoded.size() > kMaxSecretBytes) {
        error = QStringLiteral("密钥长度应为%1到%2字节，实为%3字节")
                    .arg(kMinSecretBytes)
                    .arg(kMaxSecretBytes)
                    .arg(decoded.decoded.size());
        return false;
    }
    key = decoded.decoded;
    return true;
}

std::string Sign(const QByteArray& key, const std::string& id, std::int64_t timestamp,
                 const std::string& body) {
    QMessageAuthenticationCode mac(QCryptographicHash::Sha256, key);
    const std::string stamp = std::to_string(timestamp);
    mac.addData(id.data(), qsizetype(id.size()));
    mac.addData(".", 1);
    mac.addData(stamp.data(), qsizetype(stamp.size()));
    mac.addData(".", 1);
    mac.addData(body.data(), qsizetype(body.size()));
    return "v1," + mac.result().toBase64().toStdString();
}

} // namespace tamberlink::webhook
