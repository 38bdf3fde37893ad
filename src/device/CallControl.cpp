#include "device/CallControl.h"

#include "device/CallControlHost.h"
#include "device/DeviceFrame.h"
#include "device/SerialLink.h"
#include "util/PhoneNumber.h"

#include <atomic>
#include <chrono>
#include <memory>

namespace tamberlink {

namespace {

using namespace std::chrono_literals;

const QString kUnknownContact = QStringLiteral("未知联系人");

QString ShownName(const QString& contactName) {
    return contactName.isEmpty() ? kUnknownContact : contactName;
}

// After the hang-up, the box wants 10 ms more before the dial frame.
constexpr auto kDialAfterHangUp = kFramePause + 10ms;
// The parts of one SMS text go out 100 ms apart after each one's own pause.
constexpr auto kSmsPartGap = kFramePause + 100ms;

} // namespace

CallControl::CallControl(SerialLink& link, CallControlHost& host)
    : link_(link)
    , host_(host) {}

bool CallControl::Dial(const QString& number, bool throughPhone) {
    return DialAs(nullptr, number, throughPhone);
}

bool CallControl::DialWithName(const QString& name, const QString& number, bool throughPhone) {
    return DialAs(&name, number, throughPhone);
}

bool CallControl::DialAs(const QString* name, const QString& number, bool throughPhone) {
    if (!link_.IsConnected()) {
        host_.ShowTip(QStringLiteral("请先连接设备后再拨打电话"));
        return false;
    }
    if (throughPhone && !link_.IsPhoneLinked()) {
        host_.ShowTip(QStringLiteral("请开启手机版Tamberlink拨号器，再通过手机拨号"));
        return false;
    }
    if (number.size() < 3) {
        host_.ShowTip(QStringLiteral("您拨打的号码低于3位，请输入正确的号码"));
        return false;
    }

    const DialSettings settings = host_.CurrentDialSettings();
    const QString work =
        PhoneNumber::WithoutAreaCode(PhoneNumber::Clean(number), settings.areaCode);

    QString contactName;
    if (name == nullptr) {
        contactName = host_.GetContactName(work);
    } else {
        contactName = *name;
    }
    contactName = ShownName(contactName);
    const NumberAttribution where = host_.LookUp(work);

    if (settings.areaCode.isEmpty()) {
        host_.ShowTip(name == nullptr ? QStringLiteral("请现在右上角设置区号后再拨打电话")
                                      : QStringLiteral("请先在右上角设置区号后再拨打电话"));
        return false;
    }

    const PhoneNumber::DialPrefix prefix =
        PhoneNumber::PrefixFor(work, settings.fenjiCode, settings.ipCode, settings.switchIP == 1,
                               settings.areaCode, where.areaCode);
    const auto dialFrame = throughPhone ? frame::PhoneDial(work)
                                        : frame::LandlineDial(prefix.counted, prefix.text + work);
    if (!dialFrame) {
        host_.ShowTip(QStringLiteral("号码和拨号前缀太长，无法拨打，请输入正确的号码"));
        return false;
    }

    // Every dial releases the line first. A link lost meanwhile is not reported here: the
    // popup and the log row are made all the same.
    std::vector<OutgoingFrame> frames;
    frames.push_back({frame::Command(frame::kHangUp), kFramePause, {}});
    frames.push_back({*dialFrame, kDialAfterHangUp, {}});
    link_.Send(std::move(frames));

    const QString place = where.Place();
    QString carrier = where.corp;
    carrier.remove(QStringLiteral("中国"));
    // Reported first: other programs hear of the call without waiting for the popup.
    host_.ReportCall(
        {CallReport::Kind::Dialled, number, contactName, where.Text(), throughPhone, prefix.text});
    host_.ShowOutgoingCall(place + u' ' + carrier, prefix.text, work, contactName);
    host_.AddCallLog(number, place, where.corp,
                     throughPhone ? kOutgoingThroughPhone : kOutgoingLandline);
    return true;
}

NumberAttribution CallControl::LookUpCaller(const QString& number) {
    return host_.LookUp(PhoneNumber::WithoutTrunkZero(number));
}

void CallControl::OnIncomingCall(const QString& number, bool onPhone) {
    QString caller = PhoneNumber::WithoutTrunkZero(number);
    const QString name = host_.GetContactName(caller);
    const NumberAttribution where = LookUpCaller(number);
    caller = PhoneNumber::WithoutCountryCode(caller);
    host_.ReportCall(
        {CallReport::Kind::Incoming, caller, ShownName(name), where.Text(), onPhone, QString()});
    if (host_.CurrentDialSettings().popOff != 0) {
        host_.ShowIncomingCall(where.Text(), QString(), caller, name);
    }
    host_.AddCallLog(caller, where.Place(), where.corp,
                     onPhone ? kIncomingOnPhone : kIncomingLandline);
}

void CallControl::OnMissedCall(const QString& number) {
    const QString caller = PhoneNumber::WithoutTrunkZero(number);
    const NumberAttribution where = LookUpCaller(number);
    host_.ReportCall({CallReport::Kind::Missed, caller, ShownName(host_.GetContactName(caller)),
                      where.Text(), false, QString()});
    host_.AddCallLog(caller, where.Place(), where.corp, kMissedLandline);
}

// The numbers go out one after another, then the content once. The SMS rows are written
// once the content has gone out too: only then has the phone been handed a whole message. A
// link lost midway ends the hand-off: what is left is dropped, no row is written and the
// user is told once.
bool CallControl::SendSmsViaPhone(const QStringList& numbers, const QString& content) {
    QStringList recipients = numbers;
    recipients.removeAll(QString());
    // Numbers without a content would be left waiting in the box for the next SMS.
    if (recipients.isEmpty()) {
        host_.ShowTip(QStringLiteral("联系人不能为空"));
        return false;
    }
    if (content.isEmpty()) {
        host_.ShowTip(QStringLiteral("发送内容不能为空"));
        return false;
    }
    const QString notConnected = QStringLiteral("请先连接设备后再发送短信");
    if (!link_.IsConnected()) {
        host_.ShowTip(notConnected);
        return false;
    }
    if (!link_.IsPhoneLinked()) {
        host_.ShowTip(QStringLiteral("请开启手机版Tamberlink拨号器，再发送短信"));
        return false;
    }
    struct Row {
        QString number;
        QString attribution;
    };
    std::vector<Row> rows;
    std::vector<OutgoingFrame> frames;
    for (const QString& number : recipients) {
        AppendSmsText(frames, frame::kSmsNumber, number);
        rows.push_back({number, host_.LookUp(PhoneNumber::Clean(number)).Text()});
    }
    AppendSmsText(frames, frame::kSmsContent, content);
    // A frame that fails, and every one after it, is dropped: this one hears of it too.
    frames.push_back(
        {{},
         std::chrono::milliseconds(0),
         [this, rows = std::move(rows), recipients, content, notConnected](bool written) {
             if (!written) {
                 host_.ShowTip(notConnected);
                 return;
             }
             for (const Row& row : rows) {
                 host_.AddSms(row.number, content, row.attribution);
             }
             host_.ReportSmsSent(recipients, int(content.size()));
         }});
    if (!link_.Send(std::move(frames))) {
        host_.ShowTip(notConnected);
        return false;
    }
    return true;
}

void CallControl::AppendSmsText(std::vector<OutgoingFrame>& frames, unsigned char kind,
                                const QString& text) {
    bool first = true;
    for (FrameBytes& part : frame::SmsParts(kind, text)) {
        frames.push_back({std::move(part), first ? kFramePause : kSmsPartGap, {}});
        first = false;
    }
}

void CallControl::HangUp() {
    link_.Send(frame::Command(frame::kHangUp));
}

} // namespace tamberlink
