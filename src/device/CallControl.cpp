#include "device/CallControl.h"

#include "device/CallControlHost.h"
#include "device/DeviceFrame.h"
#include "device/SerialLink.h"

#include <chrono>
#include <thread>

namespace tamberlink {

namespace {

using namespace std::chrono_literals;

const QString kUnknownContact = QStringLiteral("未知联系人");

QString PlaceText(const QString& province, const QString& city) {
    return city != province ? province + city : province;
}

// A number as the box reports it: a leading "0" before a mobile number ("013800000000")
// goes; a Beijing number ("010...") keeps it.
QString WithoutTrunkZero(const QString& number) {
    if (number.startsWith(QLatin1String("01")) && number.size() > 2 && number[2] != u'0') {
        return number.mid(1);
    }
    return number;
}

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
    QString work = number;
    work.remove(u' ').remove(QLatin1String("+86")).remove(u'-');
    if (!settings.areaCode.isEmpty() && work.startsWith(settings.areaCode)) {
        work.remove(0, settings.areaCode.size());
    }

    QString contactName;
    if (name == nullptr) {
        contactName = host_.GetContactName(work);
    } else {
        contactName = *name;
    }
    if (contactName.isEmpty()) {
        contactName = kUnknownContact;
    }
    const AreaCodeRow row = host_.GetAreaCodeRow(work);

    if (settings.areaCode.isEmpty()) {
        host_.ShowTip(name == nullptr ? QStringLiteral("请现在右上角设置区号后再拨打电话")
                                      : QStringLiteral("请先在右上角设置区号后再拨打电话"));
        return false;
    }

    QString prefix = settings.fenjiCode;
    if (settings.switchIP == 1) {
        prefix += settings.ipCode;
    }
    const int prefixCount = static_cast<int>(prefix.size());
    // A mobile number of another area is dialled as long distance; the "0" is not counted.
    if (row.areaCode.compare(settings.areaCode, Qt::CaseInsensitive) != 0 && work.size() == 11 &&
        work.startsWith(u'1')) {
        prefix += u'0';
    }

    const auto dialFrame =
        throughPhone ? frame::PhoneDial(work) : frame::LandlineDial(prefixCount, prefix + work);
    if (!dialFrame) {
        host_.ShowTip(QStringLiteral("号码和拨号前缀太长，无法拨打，请输入正确的号码"));
        return false;
    }

    HangUp();
    std::this_thread::sleep_for(10ms);
    link_.Write(*dialFrame);

    const QString place = PlaceText(row.province, row.city);
    QString carrier = row.corp;
    carrier.remove(QStringLiteral("中国"));
    host_.ShowOutgoingCall(place + u' ' + carrier, prefix, work, contactName);
    host_.AddCallLog(number, place, row.corp,
                     throughPhone ? kOutgoingThroughPhone : kOutgoingLandline);
    return true;
}

void CallControl::OnIncomingCall(const QString& number, bool onPhone) {
    QString caller = WithoutTrunkZero(number);
    const QString name = host_.GetContactName(caller);
    const QString attribution = host_.GetAttribution(caller);
    const QString place = host_.GetPlace(caller);
    const QString corp = host_.GetCorp(caller);
    caller.remove(QLatin1String("+86"));
    if (host_.CurrentDialSettings().popOff != 0) {
        host_.ShowIncomingCall(attribution, QString(), caller, name);
    }
    host_.AddCallLog(caller, place, corp, onPhone ? kIncomingOnPhone : kIncomingLandline);
}

void CallControl::OnMissedCall(const QString& number) {
    const QString caller = WithoutTrunkZero(number);
    host_.AddCallLog(caller, host_.GetPlace(caller), host_.GetCorp(caller), kMissedLandline);
}

void CallControl::SendSmsViaPhone(const QStringList& numbers, const QString& content) {
    if (!link_.IsConnected()) {
        host_.ShowTip(QStringLiteral("请先连接设备后再发送短信"));
        return;
    }
    if (!link_.IsPhoneLinked()) {
        host_.ShowTip(QStringLiteral("请开启手机版Tamberlink拨号器，再发送短信"));
        return;
    }
    for (const QString& number : numbers) {
        SendSmsText(frame::kSmsNumber, number);
        host_.AddSms(number, content, host_.GetAttribution(number));
    }
    SendSmsText(frame::kSmsContent, content);
}

void CallControl::SendSmsText(unsigned char kind, const QString& text) {
    bool first = true;
    for (const FrameBytes& part : frame::SmsParts(kind, text)) {
        if (!first) {
            std::this_thread::sleep_for(100ms);
        }
        first = false;
        link_.Write(part);
    }
}

void CallControl::HangUp() {
    link_.Write(frame::Command(frame::kHangUp));
}

} // namespace tamberlink
