#pragma once

#include <QDateTime>
#include <QString>

#include <functional>

namespace tamberlink {

struct CallAttempt;

// What a dialling campaign needs of the program around it. Called on the UI thread.
class DiallerHost {
public:
    virtual ~DiallerHost() = default;

    // Queues the dial; `placed` runs once its frame has gone out to the box. False when it
    // could not be queued (the user has been told why).
    virtual bool Dial(const QString& name, const QString& number, bool throughPhone,
                      std::function<void()> placed) = 0;
    virtual void HangUp() = 0;
    // A dial is still going out: the next one waits for it.
    virtual bool Busy() = 0;
    // The line can dial now: the box is there and, for the phone, the phone is linked.
    virtual bool LineReady(bool throughPhone) = 0;
    // A note with a reminder at `when` about the person; its id, 0 when it was not written.
    virtual int AddReminder(const QString& name, const QString& number, const QDateTime& when,
                            const QString& remark) = 0;
    virtual void DeleteNote(int id) = 0;
    // The outcome for the local API's event stream.
    virtual void PublishOutcome(const CallAttempt& attempt) = 0;
    virtual void ShowTip(const QString& text) = 0;
    virtual QDateTime Now() { return QDateTime::currentDateTime(); }
};

} // namespace tamberlink
