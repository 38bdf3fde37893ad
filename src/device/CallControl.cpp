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

const QString kNotConnected = QStringLiteral("请先连接设备后再拨打电话");

} // namespace

CallControl::CallControl(SerialLink& link, CallControlHost& host)
    : link_(link)
    , host_(host) {}

bool CallControl::Dial(const QString& number, bool throughPhone, Placed placed,
                       bool confirmedListed) {
    return DialAs(nullptr, number, throughPhone, std::move(placed), confirmedListed);
}

bool CallControl::DialWithName(const QString& name, const QString& number, bool throughPhone,
                               Placed placed, bool confirmedListed) {
    return DialAs(&name, number, throughPhone, std::move(placed), confirmedListed);
}

bool CallControl::DialAs(const QString* name, const QString& number, bool throughPhone,
                         Placed placed, bool confirmedListed) {
    if (dialling_) {
        return false;
    }
    if (!link_.IsConnected()) {
        host_.ShowTip(kNotConnected);
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
    if (!confirmedListed && host_.IsDoNotCall(PhoneNumber::Clean(number))) {
        host_.ShowTip(QStringLiteral("该号码在免打扰名单中，未拨打"));
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
        PhoneNumber::PrefixFor(work, settings.fenjiCode, settings.ipCode, settings.switchIP,
                               settings.areaCode, where.areaCode);
    const auto dialFrame = throughPhone ? frame::PhoneDial(work)
                                        : frame::LandlineDial(prefix.counted, prefix.text + work);
    if (!dialFrame) {
        host_.ShowTip(QStringLiteral("号码和拨号前缀太长，无法拨打，请输入正确的号码"));
        return false;
    }

    // The phone gets the plain number: the landline prefix is neither dialled nor shown.
    const QString dialledPrefix = throughPhone ? QString() : prefix.text;
    // Logged as the contacts keep their numbers, so that the row shows its contact.
    const QString logged = PhoneNumber::Clean(number);
    const QString place = where.Place();
    QString carrier = where.corp;
    carrier.remove(QStringLiteral("中国"));
    const CallReport report{
        CallReport::Kind::Dialled, logged, contactName, where.Text(), throughPhone, dialledPrefix};
    const QString display = place + u' ' + carrier;
    const QString corp = where.corp;
    const auto placedOnUi = [this, report, display, work, place, corp,
                             placed = std::move(placed)](bool written) {
        host_.PostToUiThread([this, written, report, display, work, place, corp, placed] {
            dialling_ = false;
            if (!written) {
                host_.ShowTip(kNotConnected);
                return;
            }
            // Reported first: other programs hear of the call without waiting for the popup.
            host_.ReportCall(report);
            host_.ShowOutgoingCall(display, report.prefix, work, report.name);
            host_.AddCallLog(report.number, place, corp,
                             report.throughPhone ? kOutgoingThroughPhone : kOutgoingLandline,
                             QString());
            if (placed) {
                placed();
            }
        });
    };

    // Every dial releases the line first. Nothing shows before the dial has reached the box:
    // a box that has gone meanwhile gets the device notice instead of a popup and a log row.
    std::vector<OutgoingFrame> frames;
    // The dial is what the user waits for: the hang-up goes out as soon as the box allows.
    frames.push_back({frame::Command(frame::kHangUp), kFramePause, {}, true});
    frames.push_back({*dialFrame, kDialAfterHangUp, placedOnUi});
    dialling_ = true;
    if (!link_.Send(std::move(frames))) {
        dialling_ = false;
        host_.ShowTip(kNotConnected);
        return false;
    }
    return true;
}

NumberAttribution CallControl::LookUpCaller(const QString& number) {
    return host_.LookUp(PhoneNumber::WithoutTrunkZero(number));
}

void CallControl::OnIncomingCall(const QString& number, bool onPhone,
                                 const CallScreening& screening) {
    QString caller = PhoneNumber::WithoutTrunkZero(number);
    const QString name = host_.GetContactName(caller);
    const NumberAttribution where = LookUpCaller(number);
    caller = PhoneNumber::WithoutCountryCode(caller);
    host_.ReportCall({CallReport::Kind::Incoming, caller, ShownName(name), where.Text(), onPhone,
                      QString(), screening.label, screening.stopped});
    if (!screening.stopped && host_.CurrentDialSettings().popOff) {
        host_.ShowIncomingCall(where.Text(), QString(), caller, name, onPhone, screening.label);
    }
    host_.AddCallLog(caller, where.Place(), where.corp,
                     onPhone ? kIncomingOnPhone : kIncomingLandline, screening.label);
}

void CallControl::OnMissedCall(const QString& number) {
    const QString caller = PhoneNumber::WithoutTrunkZero(number);
    const NumberAttribution where = LookUpCaller(number);
    host_.ReportCall({CallReport::Kind::Missed, caller, ShownName(host_.GetContactName(caller)),
                      where.Text(), false, QString()});
    host_.AddCallLog(caller, where.Place(), where.corp, kMissedLandline, QString());
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
                 host_.ReportSmsFailed(recipients);
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
