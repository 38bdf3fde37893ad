#pragma once

#include "app/OriginConsent.h"
#include "cloud/CloudHost.h"
#include "localapi/ApiHost.h"
#include "store/ContactRecord.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>

#include <vector>

namespace tamberlink {

// What the incoming-call popup shows.
struct IncomingCall {
    QString attribution; // attribution text, e.g. "移动|北京"
    QString head;        // picture reference of the contact; empty for the default picture
    QString number;
    QString name;         // contact name; empty when the number has no contact
    bool onPhone = false; // a call to the companion phone rather than the landline
    // The nuisance rule the caller matched, "推销 400*"; empty for none.
    QString nuisanceLabel{};
};

// What the outgoing-call popup shows.
struct OutgoingCall {
    QString display; // place text, a blank, carrier without "中国"
    QString prefix;  // extension and IP prefix dialled before the number
    QString number;
    QString name;
};

// What the core asks of the main window. The core calls every method on the UI thread
// (events of other threads are brought there first), so implementations may touch widgets.
// The desktop's UiRouter implements it; tests record the calls. The cloud flows' part (the notice,
// the contact reload, account, version, progress and feedback) is theirs: the core hands
// their calls on. The lists hear of the core's table changes through AppCore's signals.
class UiSink : public CloudHost {
public:
    // Call popups.
    virtual void ShowIncomingCall(const IncomingCall&) {}
    virtual void ShowOutgoingCall(const OutgoingCall&) {}
    virtual void CloseOutgoingCall() {}
    virtual void CloseCallPopups() {}
    virtual void SetRecordingAnimation(bool /*playing*/) {}

    // The telephone box's connection indicator.
    virtual void SetDeviceIndicator(bool /*connected*/) {}

    // A web page asks to use the local API: the user is asked, and answers through
    // AppCore::Origins() with the question's id. False when nobody can be asked: the page is
    // refused.
    virtual bool AskOriginConsent(const OriginConsent::Question& /*question*/) { return false; }
    // Nobody waits for the answer to the question any more: it goes from the screen.
    virtual void CloseOriginQuestion(std::uint64_t /*question*/) {}

    // A browser's navigation asked the local API for something the user confirms first: a
    // number to dial, an SMS to send (both shown ready in their windows), or a change to the
    // recording, put as `question` with `accept` to run on a yes.
    virtual void OfferDial(const QString& /*number*/) {}
    virtual void OfferSms(const QStringList& /*numbers*/, const QString& /*content*/) {}
    virtual void ConfirmRequest(const QString& /*question*/, std::function<void()> /*accept*/) {}

    // A sync of the address book would delete `contacts` of the `total` contacts here: the
    // user is asked without the program waiting, and `answer` gets the choice (false keeps
    // them).
    virtual void AskSyncDeletion(int /*contacts*/, int /*total*/,
                                 std::function<void(bool)> answer) {
        answer(false);
    }

    // The firmware upgrade's progress: `windowText` for the upgrade window when it is open;
    // otherwise `tipText`, when there is one, as a notice.
    virtual void ShowUpgradeStatus(const QString& /*windowText*/, const QString& tipText) {
        if (!tipText.isEmpty()) {
            ShowTip(tipText);
        }
    }
};

} // namespace tamberlink
