#pragma once

#include "util/NumberAttribution.h"

#include <QString>

namespace tamberlink {

// The settings call control dials by.
struct DialSettings {
    QString fenjiCode; // extension prefix
    QString areaCode;  // the local area code
    QString ipCode;    // IP long-distance prefix
    int switchIP = 0;  // 1: dial ipCode after the extension prefix
    int popOff = 1;    // not 0: show the incoming-call popup
};

// What call control asks of its owner: settings, the two databases, notices and popups.
// Calls are made on the UI thread, except AddSms and ShowTip for an SMS hand-off, which
// come from the serial writer as its frames go out.
class CallControlHost {
public:
    virtual ~CallControlHost() = default;

    virtual DialSettings CurrentDialSettings() = 0;
    virtual void ShowTip(const QString& text) = 0;

    // The local database.
    virtual QString GetContactName(const QString& number) = 0;
    virtual bool AddCallLog(const QString& number, const QString& place, const QString& corp,
                            int type) = 0;
    virtual bool AddSms(const QString& number, const QString& content,
                        const QString& attribution) = 0;

    // The attribution data of the number's first seven characters, as they stand.
    virtual NumberAttribution LookUp(const QString& number) = 0;

    // Call popups.
    virtual void ShowIncomingCall(const QString& attribution, const QString& head,
                                  const QString& number, const QString& name) = 0;
    virtual void ShowOutgoingCall(const QString& display, const QString& prefix,
                                  const QString& number, const QString& name) = 0;
};

} // namespace tamberlink
