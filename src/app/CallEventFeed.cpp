#include "app/CallEventFeed.h"

#include "device/CallControlHost.h"

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

} // namespace

void CallEventFeed::Call(const CallReport& call) {
    EventData data;
    data.Text("number", Utf8(call.number)).Text("name", Utf8(call.name));
    data.Text("attribution", Utf8(call.attribution)).Text("line", LineOf(call.throughPhone));
    if (!call.nuisanceLabel.isEmpty()) {
        data.Text("nuisance", Utf8(call.nuisanceLabel));
    }
    switch (call.kind) {
    case CallReport::Kind::Incoming:
        events_.Publish(call.blocked ? "blocked" : "incoming", data);
        break;
    case CallReport::Kind::Missed:
        events_.Publish("missed", data);
        break;
    case CallReport::Kind::Dialled:
        events_.Publish("dialled", data.Text("prefix", Utf8(call.prefix)));
        break;
    }
}

void CallEventFeed::Ended() {
    events_.Publish("ended", EventData());
}

void CallEventFeed::RecordingStarted(const QString& id) {
    events_.Publish("recording-started", EventData().Text("guid", Utf8(id)));
}

void CallEventFeed::RecordingFinished(const QString& id, const QString& path, double seconds) {
    events_.Publish(
        "recording-finished",
        EventData().Text("guid", Utf8(id)).Text("path", Utf8(path)).Number("duration", seconds));
}

void CallEventFeed::SmsSent(const QStringList& numbers, int length) {
    std::vector<std::string> texts;
    for (const QString& number : numbers) {
        texts.push_back(Utf8(number));
    }
    events_.Publish("sms-sent", EventData().Texts("numbers", texts).Integer("length", length));
}

void CallEventFeed::Device(bool connected, bool phoneLinked) {
    events_.Publish("device",
                    EventData().Flag("connected", connected).Flag("phoneLinked", phoneLinked));
}

} // namespace tamberlink
