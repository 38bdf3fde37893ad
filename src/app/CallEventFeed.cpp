#include "app/CallEventFeed.h"

#include "calllist/TempContact.h"
#include "device/CallControlHost.h"
#include "store/CallAttemptTable.h"
#include "store/EventJournalTable.h"

#include <QUuid>

#include <string>
#include <vector>

namespace tamberlink {
namespace {

std::string Utf8(const QString& text) {
    return text.toStdString();
}

const char* LineOf(bool throughPhone) {
    return throughPhone ? "mobile" : "landline";
}

std::string NewCallId() {
    return "call_" + QUuid::createUuid().toString(QUuid::Id128).toStdString();
}

} // namespace

EventData CallEventFeed::CallData(const Current& call) const {
    EventData data;
    data.Text("call_id", call.id);
    return data;
}

std::string CallEventFeed::RecordingCallId() {
    return call_ ? call_->id : lastCallId_;
}

void CallEventFeed::Call(const CallReport& call) {
    std::lock_guard lock(callMutex_);
    const std::string number = Utf8(call.number);
    // A missed call is the end of the ringing one before it; anything else starts a call.
    if (call.kind == CallReport::Kind::Missed && call_ && call_->number == number) {
        lastCallId_ = call_->id;
    } else {
        const auto now = std::chrono::steady_clock::now();
        call_ = Current{NewCallId(), number, call.throughPhone, false, now, now};
        lastCallId_ = call_->id;
    }
    EventData data = CallData(*call_);
    data.Text("number", number).Text("name", Utf8(call.name));
    data.Text("attribution", Utf8(call.attribution)).Text("line", LineOf(call.throughPhone));
    data.Text(call.kind == CallReport::Kind::Dialled ? "to" : "from", number);
    if (!call.nuisanceLabel.isEmpty()) {
        data.Text("nuisance", Utf8(call.nuisanceLabel));
    }
    switch (call.kind) {
    case CallReport::Kind::Incoming:
        events_.Publish(call.blocked ? "blocked" : "incoming", data);
        break;
    case CallReport::Kind::Missed:
        events_.Publish("missed", data);
        call_.reset();
        break;
    case CallReport::Kind::Dialled:
        events_.Publish("dialled", data.Text("prefix", Utf8(call.prefix)));
        break;
    }
}

void CallEventFeed::Answered() {
    std::lock_guard lock(callMutex_);
    if (!call_ || call_->answered) {
        return;
    }
    call_->answered = true;
    call_->answeredAt = std::chrono::steady_clock::now();
    events_.Publish("answered", CallData(*call_).Text("line", LineOf(call_->throughPhone)));
}

std::optional<double> CallEventFeed::Ended() {
    std::lock_guard lock(callMutex_);
    if (!call_) {
        events_.Publish("ended", EventData());
        return std::nullopt;
    }
    const auto now = std::chrono::steady_clock::now();
    const std::chrono::duration<double> length = now - call_->start;
    const std::chrono::duration<double> connected =
        now - (call_->answered ? call_->answeredAt : call_->start);
    EventData data = CallData(*call_);
    data.Text("line", LineOf(call_->throughPhone)).Number("duration", length.count());
    events_.Publish("ended", data.Flag("answered", call_->answered));
    call_.reset();
    return connected.count();
}

void CallEventFeed::RecordingStarted(const QString& id) {
    std::lock_guard lock(callMutex_);
    EventData data;
    if (const std::string call = RecordingCallId(); !call.empty()) {
        data.Text("call_id", call);
    }
    events_.Publish("recording-started", data.Text("guid", Utf8(id)));
}

void CallEventFeed::RecordingFinished(const QString& id, const QString& path, double seconds) {
    std::lock_guard lock(callMutex_);
    EventData data;
    if (const std::string call = RecordingCallId(); !call.empty()) {
        data.Text("call_id", call);
    }
    events_.Publish(
        "recording-finished",
        data.Text("guid", Utf8(id)).Text("path", Utf8(path)).Number("duration", seconds));
}

void CallEventFeed::SmsSent(const QStringList& numbers, int length) {
    std::vector<std::string> texts;
    for (const QString& number : numbers) {
        texts.push_back(Utf8(number));
    }
    events_.Publish("sms-sent", EventData().Texts("numbers", texts).Integer("length", length));
}

void CallEventFeed::Outcome(const CallAttempt& attempt) {
    events_.Publish("call-outcome",
                    EventData()
                        .Text("number", Utf8(attempt.number))
                        .Integer("status", attempt.outcome)
                        .Text("outcome", Utf8(TempContact::StatusText(attempt.outcome)))
                        .Text("remark", Utf8(attempt.remark))
                        .Text("file", Utf8(attempt.file))
                        .Integer("row", attempt.row + 1));
}

void CallEventFeed::Device(bool connected, bool phoneLinked) {
    events_.Publish("device",
                    EventData().Flag("connected", connected).Flag("phoneLinked", phoneLinked));
}

} // namespace tamberlink

namespace tamberlink {

std::uint64_t EventJournalHistory::OldestId() {
    return std::uint64_t(journal_.OldestId());
}

std::vector<CallEvents::Recorded> EventJournalHistory::LoadAfter(std::uint64_t afterId, int limit) {
    std::vector<CallEvents::Recorded> events;
    for (const JournalEvent& row : journal_.LoadAfter(qint64(afterId), limit)) {
        events.push_back(
            {std::uint64_t(row.id), row.time, row.type.toStdString(), row.data.toStdString()});
    }
    return events;
}

} // namespace tamberlink
