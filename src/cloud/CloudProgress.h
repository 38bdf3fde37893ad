#pragma once

#include <QString>
#include <QTimer>

#include <chrono>
#include <cstdint>

namespace tamberlink {

class CloudHost;

// The progress panel of a contact backup or sync and its watchdog (timer 2026). One chain
// holds the panel at a time; the calls of a chain that no longer holds it change nothing.
class CloudProgress {
public:
    enum class Chain { None, Backup, Sync };

    explicit CloudProgress(CloudHost& host);

    // Shows the panel for `chain` and arms the watchdog with `seconds`. Refused (false, nothing
    // changes) while a chain holds the panel.
    bool Start(Chain chain, int seconds);
    // Every chain's watchdog fires after `limit` instead of its own time; zero restores those.
    // Lets a test see a stalled chain end without waiting minutes.
    void SetWatchdogLimit(std::chrono::milliseconds limit) { limit_ = limit; }
    void SetText(Chain chain, const QString& text);
    // Hides the panel and stops the watchdog, when `chain` holds them.
    void End(Chain chain);

    // A tag for the requests of a chain that starts now, never given before: a reply tells
    // by it which chain, backup or sync, asked for it.
    std::uint64_t NewChainTag() { return ++tags_; }

    bool WatchdogActive() const { return watchdog_.isActive(); }
    int WatchdogSeconds() const { return watchdog_.interval() / 1000; }
    // The watchdog's expiry: the panel goes and the user hears of the timeout.
    void OnWatchdog();

private:
    CloudHost& host_;
    Chain holder_ = Chain::None;
    QTimer watchdog_;
    std::chrono::milliseconds limit_{0};
    std::uint64_t tags_ = 0;
};

} // namespace tamberlink
