#include "app/DiallerBridge.h"

#include "app/AppCore.h"
#include "app/DeviceBridge.h"

namespace tamberlink {

bool DiallerBridge::Dial(const QString& name, const QString& number, bool throughPhone,
                         std::function<void()> placed) {
    return core_.Device().Calls().DialWithName(name, number, throughPhone, std::move(placed));
}

void DiallerBridge::HangUp() {
    core_.Device().Calls().HangUp();
}

bool DiallerBridge::Busy() {
    return core_.Device().Calls().IsDialling();
}

bool DiallerBridge::LineReady(bool throughPhone) {
    return core_.IsBoxConnected() && (!throughPhone || core_.Device().Link().IsPhoneLinked());
}

int DiallerBridge::AddReminder(const QString& name, const QString& number, const QDateTime& when,
                               const QString& remark) {
    const QString content =
        remark.isEmpty() ? QStringLiteral("再联系 %1 %2").arg(name, number) : remark;
    return core_.AddNoteWithId(name, number, QString(), QString::number(when.toSecsSinceEpoch()),
                               content, 0);
}

void DiallerBridge::DeleteNote(int id) {
    core_.DeleteNotes({id});
}

void DiallerBridge::PublishOutcome(const CallAttempt& attempt) {
    core_.Feed().Outcome(attempt);
}

void DiallerBridge::ShowTip(const QString& text) {
    core_.ShowTip(text);
}

QDateTime DiallerBridge::Now() {
    return now_ ? now_() : QDateTime::currentDateTime();
}

} // namespace tamberlink
