#pragma once

#include "cloud/PasswordKeyring.h"

namespace tamberlink {

// The desktop's keyring (the Secret Service) through QtKeychain, entries under the service
// "Tamberlink". Where no keyring runs every call fails, and the caller keeps what it must
// elsewhere. QtKeychain runs its jobs one after the other, in the order they are started.
class DesktopKeyring : public PasswordKeyring {
public:
    void Write(const QString& key, const QString& secret, std::function<void(bool)> done) override;
    void Read(const QString& key, std::function<void(std::optional<QString>)> done) override;
    void Remove(const QString& key) override;
};

} // namespace tamberlink
