#pragma once

#include <QString>

#include <string>
#include <vector>

namespace tamberlink {

// What the serial link, the frame dispatcher and the firmware transfer ask of their owner.
// Every call comes from the serial listener thread, but for the port report, which comes
// from the port-search thread; the owner brings what touches the user interface to the UI
// thread. The call reports may block until the UI thread has handled them.
class DeviceHost {
public:
    virtual ~DeviceHost() = default;

    // A caller's number from the box: an incoming landline call, or one on the phone.
    virtual void OnIncomingCall(const QString& number, bool onPhone) = 0;
    // A caller that sent no number: a caller-ID frame without digits.
    virtual void OnWithheldCall(bool /*onPhone*/) {}
    // A landline call that was missed.
    virtual void OnMissedCall(const QString& number) = 0;
    // The outgoing call was answered or failed: its popup goes.
    virtual void CloseOutgoingCall() = 0;
    // The call has ended: both call popups go.
    virtual void CloseCallPopups() = 0;
    // The companion phone was linked to the box, or no longer is.
    virtual void OnPhoneLinkChanged(bool /*linked*/) {}

    // The codes stored in the box, adopted as the user's settings (each setter echoes an
    // accepted code back to the box).
    virtual void SetAreaCode(const QString& code) = 0;
    virtual void SetFenjiCode(const QString& code) = 0;

    // The box's firmware version, at most five characters.
    virtual void SetFirmwareVersion(const QString& version) = 0;

    // Firmware upgrade progress and results: `windowText` for the upgrade window when it is
    // open; otherwise `tipText`, when not empty, as a notice.
    virtual void ShowUpgradeStatus(const QString& windowText, const QString& tipText) = 0;

    // Ports that exist but that this user may not open (the box cannot be found there until
    // the user may). Each port is reported once; those of one search together.
    virtual void ReportPortsDenied(const std::vector<std::string>& ports) = 0;
};

} // namespace tamberlink
