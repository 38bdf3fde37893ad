#pragma once

#include "app/BoxLink.h"
#include "device/AudioSink.h"
#include "device/CallControl.h"
#include "device/CallControlHost.h"
#include "device/DeviceHost.h"
#include "device/FirmwareTransfer.h"
#include "device/FrameDispatcher.h"
#include "device/SerialLink.h"

#include <QString>

#include <mutex>

namespace tamberlink {

class AppCore;

// Connects the telephone box to the core: owns the serial link, the frame dispatcher, call
// control and the firmware transfer, and hands the recording frames and samples to the
// core's recorder. What the listener thread reports reaches the user interface on the UI
// thread (call reports wait for it, as the box expects); the listener never touches the
// UiSink itself.
class DeviceBridge : public BoxLink,
                     private DeviceHost,
                     private CallControlHost,
                     private AudioSink {
public:
    explicit DeviceBridge(AppCore& core);
    ~DeviceBridge() override;

    // Starts looking for the box: `preferredPort` first, then the machine's serial ports.
    // False, after telling the user, when the link's threads cannot be started.
    bool Start(const QString& preferredPort);
    // Stops the link's threads. Call once the core refuses calls to the UI thread, so that
    // a listener waiting for it is released.
    void Close();

    SerialLink& Link() { return link_; }
    CallControl& Calls() { return calls_; }
    FirmwareTransfer& Firmware() { return firmware_; }
    // The box's firmware version, at most five characters; empty until the box tells it.
    QString FirmwareVersion() const;

    // BoxLink
    bool IsConnected() const override;
    bool Write(const QByteArray& frame) override;

private:
    // DeviceHost
    void OnIncomingCall(const QString& number, bool onPhone) override;
    void OnWithheldCall(bool onPhone) override;
    void OnMissedCall(const QString& number) override;
    void CloseOutgoingCall() override;
    void CloseCallPopups() override;
    void OnPhoneLinkChanged(bool linked) override;
    void SetAreaCode(const QString& code) override;
    void SetFenjiCode(const QString& code) override;
    void SetFirmwareVersion(const QString& version) override;
    void ShowUpgradeStatus(const QString& windowText, const QString& tipText) override;
    void ReportPortsDenied(const std::vector<std::string>& ports) override;

    // CallControlHost
    void PostToUiThread(std::function<void()> task) override;
    DialSettings CurrentDialSettings() override;
    void ShowTip(const QString& text) override;
    QString GetContactName(const QString& number) override;
    bool AddCallLog(const QString& number, const QString& place, const QString& corp, int type,
                    const QString& nuisanceLabel) override;
    bool AddSms(const QString& number, const QString& content, const QString& attribution) override;
    bool IsDoNotCall(const QString& number) override;
    NumberAttribution LookUp(const QString& number) override;
    void ShowIncomingCall(const QString& attribution, const QString& head, const QString& number,
                          const QString& name, bool onPhone, const QString& nuisanceLabel) override;
    void ShowOutgoingCall(const QString& display, const QString& prefix, const QString& number,
                          const QString& name) override;
    void ReportCall(const CallReport& call) override;
    void ReportSmsSent(const QStringList& numbers, int length) override;
    void ReportSmsFailed(const QStringList& numbers) override;

    // AudioSink
    bool IsRecording() const override;
    void EncodeSamples(const std::uint8_t* samples, std::size_t count) override;
    void StartRecording(bool started) override;
    void StopRecording(bool close) override;

    void OnConnectionChanged(bool connected);
    // The nuisance rules' decision for a caller, on the listener thread before anything is
    // shown: a rejected landline call is hung up here, and every call a rule acts on is
    // logged with it.
    CallScreening Screen(const QString& number, bool onPhone);

    AppCore& core_;
    SerialLink link_;
    FirmwareTransfer firmware_;
    FrameDispatcher dispatcher_;
    CallControl calls_;
    mutable std::mutex versionMutex_;
    QString firmwareVersion_;
};

} // namespace tamberlink
