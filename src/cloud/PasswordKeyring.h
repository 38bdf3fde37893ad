#pragma once

#include <QString>

#include <functional>
#include <optional>

namespace tamberlink {

// A store of secrets outside the database: the desktop's keyring. Each call finishes later,
// on the calling thread, through its callback; a keyring that is not running answers with a
// failure, so callers need not ask beforehand whether there is one.
class PasswordKeyring {
public:
    virtual ~PasswordKeyring() = default;

    // `done(true)` once the keyring holds `secret` under `key`.
    virtual void Write(const QString& key, const QString& secret,
                       std::function<void(bool)> done) = 0;
    // `done(secret)`, or `done(nullopt)` when there is none or no keyring answered.
    virtual void Read(const QString& key, std::function<void(std::optional<QString>)> done) = 0;
    virtual void Remove(const QString& key) = 0;
};

} // namespace tamberlink
