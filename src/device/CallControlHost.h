#pragma once

#include "util/NumberAttribution.h"

#include <QString>
#include <QStringList>

#include <functional>

namespace tamberlink {

// The settings call control dials by.
struct DialSettings {
    QString fenjiCode;     // extension prefix
    QString areaCode;      // the local area code
    QString ipCode;        // IP long-distance prefix
    bool switchIP = false; // dial ipCode after the extension prefix
    bool popOff = true;    // show the incoming-call popup
};

// A call as the popups and the call log show it, reported as it is logged.
struct CallReport {
    enum class Kind { Incoming, Missed, Dialled };
    Kind kind = Kind::Incoming;
    QString number;      // as the call log keeps it
    QString name;        // the contact, or "未知联系人" as the popups show an unknown one
    QString attribution; // "移动|广东广州", or "未知号码"
    bool throughPhone = false; // a call on the companion phone rather than the landline
    QString prefix;            // what was dialled before the number (dialled calls)
    QString nuisanceLabel{};   // the nuisance rule an incoming call matched, "推销 400*"
    bool blocked = false;      // an incoming call the rules silenced or rejected
};

// What the nuisance rules made of an incoming call before call control sees it.
struct CallScreening {
    QString label;        // the rule that acts on the call, "推销 400*"; empty for none
    bool stopped = false; // silenced or rejected: no popup
};

// What call control asks of its owner: settings, the two databases, notices and popups.
// Calls are made on the UI thread, except AddSms, ReportSmsSent and ShowTip for an SMS
// hand-off, which come from the serial writer as its frames go out, and PostToUiThread,
// which the writer calls once a dial has gone out.
class CallControlHost {
public:
    virtual ~CallControlHost() = default;

    // Runs `task` on the UI thread without waiting for it; at once by default.
    virtual void PostToUiThread(std::function<void()> task) { task(); }

    virtual DialSettings CurrentDialSettings() = 0;
    virtual void ShowTip(const QString& text) = 0;

    // The local database.
    virtual QString GetContactName(const QString& number) = 0;
    // `nuisanceLabel`: the rule the call matched, empty for none.
    virtual bool AddCallLog(const QString& number, const QString& place, const QString& corp,
                            int type, const QString& nuisanceLabel) = 0;
    virtual bool AddSms(const QString& number, const QString& content,
                        const QString& attribution) = 0;

    // The number (as PhoneNumber::Clean writes it) is on the do-not-call list.
    virtual bool IsDoNotCall(const QString& /*number*/) { return false; }

    // The attribution data of the number's first seven characters, as they stand.
    virtual NumberAttribution LookUp(const QString& number) = 0;

    // Call popups.
    virtual void ShowIncomingCall(const QString& attribution, const QString& head,
                                  const QString& number, const QString& name, bool onPhone,
                                  const QString& nuisanceLabel) = 0;
    virtual void ShowOutgoingCall(const QString& display, const QString& prefix,
                                  const QString& number, const QString& name) = 0;

    // Other programs follow the calls through these.
    virtual void ReportCall(const CallReport& /*call*/) {}
    // An SMS hand-off went out whole: its numbers and the content's length in characters.
    virtual void ReportSmsSent(const QStringList& /*numbers*/, int /*length*/) {}
    // An SMS hand-off that was under way ended without reaching the phone.
    virtual void ReportSmsFailed(const QStringList& /*numbers*/) {}
};

} // namespace tamberlink
