#pragma once

#include "dialler/DiallerHost.h"

#include <functional>

namespace tamberlink {

class AppCore;

// Connects a dialling campaign to the core: dials and hangs up through the box's call
// control, writes 再联系 reminders as notes and publishes each outcome on the event stream.
class DiallerBridge final : public DiallerHost {
public:
    explicit DiallerBridge(AppCore& core)
        : core_(core) {}

    // The campaign's clock; the system's when unset.
    void SetClock(std::function<QDateTime()> now) { now_ = std::move(now); }

    bool Dial(const QString& name, const QString& number, bool throughPhone,
              std::function<void()> placed) override;
    void HangUp() override;
    bool Busy() override;
    bool LineReady(bool throughPhone) override;
    int AddReminder(const QString& name, const QString& number, const QDateTime& when,
                    const QString& remark) override;
    void DeleteNote(int id) override;
    void PublishOutcome(const CallAttempt& attempt) override;
    void ShowTip(const QString& text) override;
    QDateTime Now() override;

private:
    AppCore& core_;
    std::function<QDateTime()> now_;
};

} // namespace tamberlink
