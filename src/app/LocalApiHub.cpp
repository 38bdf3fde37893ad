#include "app/LocalApiHub.h"

#include "app/AppCore.h"
#include "app/DeviceBridge.h"
#include "app/SmsRequest.h"
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

void LocalApiHub::HandOver(const LocalApiRequest& request) {
    core_.RunOnUiThread([this, &request] { Handle(request); });
}

CallEvents& LocalApiHub::Events() {
    return core_.Feed().Events();
}

void LocalApiHub::AskOrigin(const std::string& origin, ApiPurpose purpose,
                            std::function<void(bool allowed)> answer) {
    core_.Origins().Ask(origin, purpose, std::move(answer));
}

void LocalApiHub::Handle(const LocalApiRequest& request) {
    using Kind = LocalApiRequest::Kind;
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
