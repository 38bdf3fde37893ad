#pragma once

#include "device/AudioSink.h"
#include "device/CallControlHost.h"
#include "device/DeviceHost.h"

#include <QString>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace tamberlink {
class CallControl;
class SerialLink;
} // namespace tamberlink

namespace tamberlink::test {

// Stands in for the program's core: keeps settings, contacts and attribution rows in
// memory, forwards the box's call reports to call control as the core does, and records
// every call as a line of text ("tip ...", "calllog number|place|corp|type", ...).
class FakeHost : public DeviceHost, public CallControlHost {
public:
    SerialLink* link = nullptr;
    CallControl* calls = nullptr;

    void SetSettings(const DialSettings& settings);
    void AddAreaCodeRow(const QString& prefix, const NumberAttribution& row);
    void AddContact(const QString& number, const QString& name);

    std::vector<std::string> Events() const;
    std::vector<std::string> EventsStartingWith(const std::string& prefix) const;
    // A wait that runs out lists the events it saw on standard error.
    bool WaitForEvent(const std::string& event,
                      std::chrono::milliseconds timeout = std::chrono::seconds(10)) const;
    void ClearEvents();

    // DeviceHost
    void OnIncomingCall(const QString& number, bool onPhone) override;
    void OnMissedCall(const QString& number) override;
    void CloseOutgoingCall() override;
    void CloseCallPopups() override;
    void SetAreaCode(const QString& code) override;
    void SetFenjiCode(const QString& code) override;
    void SetFirmwareVersion(const QString& version) override;
    void ShowUpgradeStatus(const QString& windowText, const QString& tipText) override;
    void ReportPortsDenied(const std::vector<std::string>& ports) override;
    void OnPhoneLinkChanged(bool linked) override;

    // CallControlHost
    DialSettings CurrentDialSettings() override;
    void ShowTip(const QString& text) override;
    QString GetContactName(const QString& number) override;
    bool AddCallLog(const QString& number, const QString& place, const QString& corp, int type,
                    const QString& nuisanceLabel) override;
    bool AddSms(const QString& number, const QString& content, const QString& attribution) override;
    NumberAttribution LookUp(const QString& number) override;
    void ShowIncomingCall(const QString& attribution, const QString& head, const QString& number,
                          const QString& name, bool onPhone, const QString& nuisanceLabel) override;
    void ShowOutgoingCall(const QString& display, const QString& prefix, const QString& number,
                          const QString& name) override;
    void ReportCall(const CallReport& call) override;
    void ReportSmsSent(const QStringList& numbers, int length) override;

private:
    void Record(const QString& event);

    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    std::vector<std::string> events_;
    DialSettings settings_;
    std::map<QString, NumberAttribution> rows_;
    std::map<QString, QString> contacts_;
};

// A recorder that counts what it is given.
class FakeAudio : public AudioSink {
public:
    bool IsRecording() const override { return recording; }
    void EncodeSamples(const std::uint8_t* samples, std::size_t count) override;
    void StartRecording(bool started) override;
    void StopRecording(bool close) override;

    std::atomic<bool> recording{false};
    std::atomic<long long> samples{0};
    std::atomic<int> starts{0};
    std::atomic<int> closingStops{0};
    std::atomic<bool> sawMarker{false}; // an A7 or 55 reached the encoder

    // The longest time between two calls with samples since timing started: of all, and of
    // those next to a read that held a frame (NoteFrame, as each frame is dispatched).
    void StartTimingReads();
    void NoteFrame();
    std::chrono::steady_clock::duration LongestReadGap() const;
    std::chrono::steady_clock::duration LongestGapAroundFrames() const;

private:
    mutable std::mutex gapMutex_;
    std::optional<std::chrono::steady_clock::time_point> lastRead_;
    std::chrono::steady_clock::duration longestGap_{};
    std::chrono::steady_clock::duration longestFrameGap_{};
    bool frameRead_ = false;   // a frame came with the read being handled
    bool frameBefore_ = false; // and with the one before it
};

} // namespace tamberlink::test
