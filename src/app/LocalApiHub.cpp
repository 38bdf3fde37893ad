#include "app/LocalApiHub.h"

#include "app/AppCore.h"
#include "app/DeviceBridge.h"
#include "app/SmsRequest.h"
#include "app/UiSink.h"
#include "localapi/ApiLog.h"
#include "util/TextCodec.h"

namespace tamberlink {

LocalApiHub::LocalApiHub(AppCore& core)
    : core_(core) {}

bool LocalApiHub::IsConnected() const {
    return core_.IsBoxConnected();
}

bool LocalApiHub::IsPhoneLinked() const {
    return core_.Device().Link().IsPhoneLinked();
}

bool LocalApiHub::IsDoNotCall(const std::string& number) {
    return core_.IsDoNotCall(Utf8ToWide(number));
}

void LocalApiHub::HandOver(const LocalApiRequest& request) {
    core_.RunOnUiThread([this, &request] { Handle(request); });
}

CallEvents& LocalApiHub::Events() {
    return core_.Feed().Events();
}

std::uint64_t LocalApiHub::AskOrigin(const std::string& origin, ApiPurpose purpose,
                                     std::function<void(bool allowed)> answer) {
    return core_.Origins().Ask(origin, purpose, std::move(answer));
}

void LocalApiHub::WithdrawAsk(std::uint64_t ticket) {
    core_.Origins().Withdraw(ticket);
}

void LocalApiHub::Offer(const LocalApiRequest& request) {
    using Kind = LocalApiRequest::Kind;
    UiSink& ui = core_.Sink();
    const QString value = Utf8ToWide(request.first);
    switch (request.kind) {
    case Kind::LandlineDial:
    case Kind::PhoneDial:
        ui.OfferDial(value);
        break;
    case Kind::Sms:
        if (const std::optional<SmsRequest> data = SmsRequest::Parse(request.first)) {
            ui.OfferSms(data->numbers, data->content);
        }
        break;
    case Kind::RecordMode:
        if (value == u"auto" || value == u"hand") {
            const bool on = value == u"auto";
            ui.ConfirmRequest(on ? QStringLiteral("浏览器请求开启自动录音，是否同意？")
                                 : QStringLiteral("浏览器请求关闭自动录音，是否同意？"),
                              [this, on] { core_.SetAuto(true, on); });
        }
        break;
    case Kind::RecordControl:
        if (value == u"start") {
            ui.ConfirmRequest(QStringLiteral("浏览器请求开始录制当前通话，是否同意？"),
                              [this] { core_.RequestRecordingStart(); });
        } else if (value == u"stop") {
            ui.ConfirmRequest(QStringLiteral("浏览器请求停止录制当前通话，是否同意？"),
                              [this] { core_.RequestRecordingStop(); });
        }
        break;
    }
}

void LocalApiHub::Handle(const LocalApiRequest& request) {
    using Kind = LocalApiRequest::Kind;
    if (request.confirm) {
        Offer(request);
        return;
    }
    switch (request.kind) {
    case Kind::LandlineDial:
    case Kind::PhoneDial: {
        const bool throughPhone = request.kind == Kind::PhoneDial;
        const QString number = Utf8ToWide(request.first);
        qCDebug(lcLocalApi).noquote() << (throughPhone ? QStringLiteral("网络手机拨号请求：")
                                                       : QStringLiteral("网络固话拨号请求："))
                                      << number;
        core_.Device().Calls().Dial(number, throughPhone);
        break;
    }
    case Kind::Sms:
        // A malformed request, or one whose count does not match its list, sends nothing.
        if (const std::optional<SmsRequest> data = SmsRequest::Parse(request.first)) {
            core_.Device().Calls().SendSmsViaPhone(data->numbers, data->content);
        }
        break;
    case Kind::RecordMode:
        if (request.first == "auto" || request.first == "hand") {
            core_.SetAuto(true, request.first == "auto");
        }
        break;
    case Kind::RecordControl:
        if (request.first == "start") {
            core_.RequestRecordingStart();
        } else if (request.first == "stop") {
            core_.RequestRecordingStop();
        }
        break;
    }
}

} // namespace tamberlink
