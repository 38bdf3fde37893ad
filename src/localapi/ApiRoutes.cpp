#include "localapi/ApiRoutes.h"

#include "localapi/ApiHost.h"
#include "localapi/ApiLog.h"
#include "localapi/ApiReplies.h"
#include "localapi/CHttpResponseMaker.h"
#include "localapi/IManager.h"

#include <optional>

namespace tamberlink {

ApiRoutes::ApiRoutes(IManager& manager, ApiHost& host)
    : manager_(manager)
    , host_(host) {
    manager_.AddRoute("/api/call", this, {ApiPurpose::Dial, CHttpResponseMaker::kHtml},
                      [this](IRequest& request) { Call(request); });
    manager_.AddRoute("/api/sms", this, {ApiPurpose::SendSms, CHttpResponseMaker::kJson},
                      [this](IRequest& request) { Sms(request); });
    manager_.AddRoute("/api/record", this, {ApiPurpose::Record, CHttpResponseMaker::kJson},
                      [this](IRequest& request) { Record(request); });
}

ApiRoutes::~ApiRoutes() {
    manager_.RemoveRoutesOf(this);
}

void ApiRoutes::Call(IRequest& request) {
    const std::string type = request.GetParam("type");
    const std::string number = request.GetParam("number");
    std::optional<LocalApiRequest::Kind> kind;
    ApiReply reply = ApiReply::EmptyNumber;
    if (number.empty()) {
        reply = ApiReply::EmptyNumber;
    } else if (type != "tel" && type != "mobile") {
        reply = ApiReply::UnknownDialType;
    } else if (host_.IsDoNotCall(number)) {
        reply = ApiReply::DialDoNotCall;
    } else if (request.ConfirmFirst()) {
        // The quick dial offers both lines; the box is needed only once the user dials.
        kind =
            type == "tel" ? LocalApiRequest::Kind::LandlineDial : LocalApiRequest::Kind::PhoneDial;
        reply = ApiReply::DialOffered;
    } else if (type == "tel") {
        if (host_.IsConnected()) {
            kind = LocalApiRequest::Kind::LandlineDial;
            reply = ApiReply::TelDialed;
        } else {
            reply = ApiReply::TelNoBox;
        }
    } else if (!host_.IsConnected()) {
        reply = ApiReply::MobileNoBox;
    } else if (host_.IsPhoneLinked()) {
        kind = LocalApiRequest::Kind::PhoneDial;
        reply = ApiReply::MobileDialed;
    } else {
        reply = ApiReply::MobileNoPhone;
    }
    if (kind) {
        qCDebug(lcLocalApi, "%s%s",
                *kind == LocalApiRequest::Kind::LandlineDial ? "收到网络固话拨号请求："
                                                             : "收到网络手机拨号请求：",
                number.c_str());
        host_.HandOver({*kind, number, request.GetParam("guid"), request.ConfirmFirst()});
    }
    request.ReplyHtml(ReplyBody(reply));
}

void ApiRoutes::Sms(IRequest& request) {
    const std::string data = request.GetParam("data");
    if (data.empty()) {
        request.ReplyJson(ReplyBody(ApiReply::SmsEmptyData));
        return;
    }
    // The device state only chooses the answer: the data goes to the core in every case,
    // and the core's sending meets the device state itself.
    const ApiReply reply = request.ConfirmFirst()   ? ApiReply::SmsOffered
                           : !host_.IsConnected()   ? ApiReply::SmsNoBox
                           : !host_.IsPhoneLinked() ? ApiReply::SmsNoPhone
                                                    : ApiReply::SmsAccepted;
    host_.HandOver({LocalApiRequest::Kind::Sms, data, {}, request.ConfirmFirst()});
    request.ReplyJson(ReplyBody(reply));
}

void ApiRoutes::Record(IRequest& request) {
    const std::string cmd = request.GetParam("cmd");
    const std::string value = request.GetParam("value");
    std::optional<LocalApiRequest::Kind> kind;
    ApiReply reply = ApiReply::CmdUnknown;
    if (cmd == "mode") {
        if (value == "auto" || value == "hand") {
            kind = LocalApiRequest::Kind::RecordMode;
            reply = value == "auto" ? ApiReply::ModeAuto : ApiReply::ModeHand;
        } else {
            reply = ApiReply::ModeUnknown;
        }
    } else if (cmd == "control") {
        if (value == "start" || value == "stop") {
            kind = LocalApiRequest::Kind::RecordControl;
            // An accepted stop is answered with this text; callers expect it.
            reply = value == "start" ? ApiReply::RecordStarted : ApiReply::RecordStopped;
        } else {
            reply = ApiReply::ControlUnknown;
        }
    }
    if (kind && request.ConfirmFirst()) {
        reply = ApiReply::RecordOffered;
    }
    if (kind) {
        host_.HandOver({*kind, value, {}, request.ConfirmFirst()});
    }
    request.ReplyJson(ReplyBody(reply));
}

} // namespace tamberlink
