#pragma once

#include "device/CallControlHost.h"
#include "device/FrameWriter.h"
#include "util/NumberAttribution.h"

#include <QString>
#include <QStringList>

#include <atomic>
#include <functional>
#include <vector>

namespace tamberlink {

class SerialLink;

// Call-log types.
enum CallLogType {
    kIncomingOnPhone = 1,
    kOutgoingThroughPhone = 2,
    kIncomingLandline = 3,
    kOutgoingLandline = 4,
    kMissedLandline = 5,
};

// Dialling on the landline or through the phone app, with the dialling rules (extension
// prefix, IP prefix, local area code, "0" before mobiles of other areas); incoming and
// missed calls reported by the box; SMS handed to the phone. Runs on the UI thread; the
// frames are queued for the box and every operation returns at once.
class CallControl {
public:
    // Runs on the UI thread once a dial has reached the box.
    using Placed = std::function<void()>;

    CallControl(SerialLink& link, CallControlHost& host);

    // Queues the dial and returns at once: true when it was queued. The popup, the call-log
    // row (under the cleaned number, so that it is the contact's) and `placed` follow once
    // the dial frame has been written; a dial that cannot be written shows the device notice
    // instead and logs nothing. A dial asked for while another is still going out is
    // ignored, so that a double click calls once. A number on the do-not-call list is
    // refused with a notice unless the user has `confirmedListed` it.
    bool Dial(const QString& number, bool throughPhone, Placed placed = {},
              bool confirmedListed = false);
    // As Dial, but shows `name` (when not empty) instead of looking the contact up.
    bool DialWithName(const QString& name, const QString& number, bool throughPhone,
                      Placed placed = {}, bool confirmedListed = false);
    // Whether a dial is still going out to the box.
    bool IsDialling() const { return dialling_; }

    // A call the nuisance rules stopped is reported and logged, but shows no popup.
    void OnIncomingCall(const QString& number, bool onPhone,
                        const CallScreening& screening = CallScreening());
    void OnMissedCall(const QString& number);
    // Where a caller the box reports belongs: what the incoming-call popup shows and the call
    // log keeps (a local landline number counts as in the user's area).
    NumberAttribution LookUpCaller(const QString& number);

    // Queues the hand-off of `content` to `numbers` (empty ones are skipped) and returns at
    // once; the SMS rows are written when the whole hand-off has gone out. False, after
    // telling the user, when there is no number or no content, or the box or the phone is
    // not there: then nothing is sent.
    bool SendSmsViaPhone(const QStringList& numbers, const QString& content);

    // Releases the line.
    void HangUp();

private:
    bool DialAs(const QString* name, const QString& number, bool throughPhone, Placed placed,
                bool confirmedListed);
    static void AppendSmsText(std::vector<OutgoingFrame>& frames, unsigned char kind,
                              const QString& text);

    SerialLink& link_;
    CallControlHost& host_;
    std::atomic<bool> dialling_{false};
};

} // namespace tamberlink
