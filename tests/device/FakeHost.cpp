#include "FakeHost.h"

#include "device/CallControl.h"
#include "device/DeviceFrame.h"
#include "device/SerialLink.h"

#include <algorithm>
#include <cstdio>

namespace tamberlink::test {

void FakeHost::SetSettings(const DialSettings& settings) {
    std::lock_guard lock(mutex_);
    settings_ = settings;
}

void FakeHost::AddAreaCodeRow(const QString& prefix, const NumberAttribution& row) {
    std::lock_guard lock(mutex_);
    rows_[prefix] = row;
}

void FakeHost::AddContact(const QString& number, const QString& name) {
    std::lock_guard lock(mutex_);
    contacts_[number] = name;
}

std::vector<std::string> FakeHost::Events() const {
    std::lock_guard lock(mutex_);
    return events_;
}

std::vector<std::string> FakeHost::EventsStartingWith(const std::string& prefix) const {
    std::vector<std::string> found;
    for (const std::string& event : Events()) {
        if (event.compare(0, prefix.size(), prefix) == 0) {
            found.push_back(event);
        }
    }
    return found;
}

bool FakeHost::WaitForEvent(const std::string& event, std::chrono::milliseconds timeout) const {
    std::unique_lock lock(mutex_);
    if (changed_.wait_for(lock, timeout, [&] {
            return std::find(events_.begin(), events_.end(), event) != events_.end();
        })) {
        return true;
    }
    std::string seen;
    for (const std::string& each : events_) {
        seen += "  " + each + "\n";
    }
    std::fprintf(stderr, "waited %lld ms for the event \"%s\"; the %zu events were:\n%s",
                 static_cast<long long>(timeout.count()), event.c_str(), events_.size(),
                 seen.c_str());
    return false;
}

void FakeHost::ClearEvents() {
    std::lock_guard lock(mutex_);
    events_.clear();
}

void FakeHost::Record(const QString& event) {
    {
        std::lock_guard lock(mutex_);
        events_.push_back(event.toStdString());
    }
    changed_.notify_all();
}

void FakeHost::OnIncomingCall(const QString& number, bool onPhone) {
    Record(QStringLiteral("incoming %1 %2").arg(number, onPhone ? "phone" : "landline"));
    calls->OnIncomingCall(number, onPhone);
}

void FakeHost::OnMissedCall(const QString& number) {
    Record("missed " + number);
    calls->OnMissedCall(number);
}

void FakeHost::CloseOutgoingCall() {
    Record("close-outgoing");
}
void FakeHost::CloseCallPopups() {
    Record("close-popups");
}

// As the settings do: a code of six or more characters changes nothing; an accepted one
// is stored and echoed to the box.
void FakeHost::SetAreaCode(const QString& code) {
    Record("areacode " + code);
    if (code.size() >= 6) {
        return;
    }
    {
        std::lock_guard lock(mutex_);
        settings_.areaCode = code;
    }
    if (link->IsConnected()) {
        link->Write(*frame::TextFrame(frame::kStoreAreaCode, code));
    }
}

void FakeHost::SetFenjiCode(const QString& code) {
    Record("fenji " + code);
    {
        std::lock_guard lock(mutex_);
        settings_.fenjiCode = code;
    }
    if (link->IsConnected()) {
        link->Write(*frame::TextFrame(frame::kStoreExtension, code));
    }
}

void FakeHost::SetFirmwareVersion(const QString& version) {
    Record("version " + version);
}

void FakeHost::ShowUpgradeStatus(const QString& windowText, const QString& tipText) {
    Record("upgrade " + windowText + "|" + tipText);
}

void FakeHost::ReportPortsDenied(const std::vector<std::string>& ports) {
    std::string event = "denied";
    for (const std::string& port : ports) {
        event += " " + port;
    }
    Record(QString::fromStdString(event));
}

void FakeHost::OnPhoneLinkChanged(bool linked) {
    Record(QStringLiteral("phone-linked %1").arg(linked ? 1 : 0));
}

DialSettings FakeHost::CurrentDialSettings() {
    std::lock_guard lock(mutex_);
    return settings_;
}

void FakeHost::ShowTip(const QString& text) {
    Record("tip " + text);
}

QString FakeHost::GetContactName(const QString& number) {
    std::lock_guard lock(mutex_);
    const auto found = contacts_.find(number);
    return found != contacts_.end() ? found->second : QString();
}

bool FakeHost::AddCallLog(const QString& number, const QString& place, const QString& corp,
                          int type, const QString& nuisanceLabel) {
    Record(QStringLiteral("calllog %1|%2|%3|%4").arg(number, place, corp).arg(type) +
           (nuisanceLabel.isEmpty() ? QString() : u'|' + nuisanceLabel));
    return true;
}

bool FakeHost::AddSms(const QString& number, const QString& content, const QString& attribution) {
    Record(QStringLiteral("sms %1|%2|%3").arg(number, content, attribution));
    return true;
}

NumberAttribution FakeHost::LookUp(const QString& number) {
    std::lock_guard lock(mutex_);
    const auto found = rows_.find(number.left(7));
    return found != rows_.end() ? found->second : NumberAttribution{};
}

void FakeHost::ShowIncomingCall(const QString& attribution, const QString&, const QString& number,
                                const QString& name, bool, const QString& nuisanceLabel) {
    Record(QStringLiteral("popup-in %1|%2|%3").arg(attribution, number, name) +
           (nuisanceLabel.isEmpty() ? QString() : u'|' + nuisanceLabel));
}

void FakeHost::ShowOutgoingCall(const QString& display, const QString& prefix,
                                const QString& number, const QString& name) {
    Record(QStringLiteral("popup-out %1|%2|%3|%4").arg(display, prefix, number, name));
}

void FakeHost::ReportCall(const CallReport& call) {
    const char* kinds[] = {"incoming", "missed", "dialled"};
    Record(QStringLiteral("report %1|%2|%3|%4|%5|%6")
               .arg(QLatin1String(kinds[int(call.kind)]), call.number, call.name, call.attribution,
                    call.throughPhone ? QStringLiteral("mobile") : QStringLiteral("landline"),
                    call.prefix));
}

void FakeHost::ReportSmsSent(const QStringList& numbers, int length) {
    Record(QStringLiteral("sms-sent %1|%2").arg(numbers.join(u','), QString::number(length)));
}

void FakeAudio::EncodeSamples(const std::uint8_t* bytes, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        if (bytes[i] == frame::kAudioStart || bytes[i] == frame::kEnd) {
            sawMarker = true;
        }
    }
    samples += static_cast<long long>(count);
    // Every read of a streaming box carries samples, so these calls time the reads.
    const auto now = std::chrono::steady_clock::now();
    std::lock_guard lock(gapMutex_);
    if (lastRead_) {
        const auto gap = now - *lastRead_;
        longestGap_ = std::max(longestGap_, gap);
        if (frameRead_ || frameBefore_) {
            longestFrameGap_ = std::max(longestFrameGap_, gap);
        }
    }
    lastRead_ = now;
    frameBefore_ = frameRead_;
    frameRead_ = false;
}

void FakeAudio::NoteFrame() {
    std::lock_guard lock(gapMutex_);
    frameRead_ = true;
}

void FakeAudio::StartTimingReads() {
    std::lock_guard lock(gapMutex_);
    lastRead_.reset();
    longestGap_ = {};
    longestFrameGap_ = {};
    frameRead_ = frameBefore_ = false;
}

std::chrono::steady_clock::duration FakeAudio::LongestReadGap() const {
    std::lock_guard lock(gapMutex_);
    return longestGap_;
}

std::chrono::steady_clock::duration FakeAudio::LongestGapAroundFrames() const {
    std::lock_guard lock(gapMutex_);
    return longestFrameGap_;
}

void FakeAudio::StartRecording(bool started) {
    recording = started;
    starts += started ? 1 : 0;
}

void FakeAudio::StopRecording(bool close) {
    if (close) {
        recording = false;
        ++closingStops;
    }
}

} // namespace tamberlink::test
