#pragma once

#include "cloud/PasswordKeyring.h"

#include <QMap>
#include <QObject>
#include <QTimer>

namespace tamberlink::test {

// A keyring in memory. Like the desktop's it answers on a later turn of the event loop, in
// the order of the calls; with `running` false it fails like a desktop without a keyring.
class FakeKeyring : public PasswordKeyring {
public:
    void Write(const QString& key, const QString& secret, std::function<void(bool)> done) override {
        QTimer::singleShot(0, &context_, [this, key, secret, done] {
            if (running) {
                entries[key] = secret;
            }
            done(running);
            ++answered;
        });
    }
    void Read(const QString& key, std::function<void(std::optional<QString>)> done) override {
        QTimer::singleShot(0, &context_, [this, key, done] {
            done(running && entries.contains(key) ? std::optional<QString>(entries.value(key))
                                                  : std::nullopt);
            ++answered;
        });
    }
    void Remove(const QString& key) override {
        QTimer::singleShot(0, &context_, [this, key] { entries.remove(key); });
    }

    bool running = true;
    QMap<QString, QString> entries;
    int answered = 0; // writes and reads answered so far

private:
    QObject context_;
};

} // namespace tamberlink::test
