#include "app/LocalApiHub.h"

#include "app/AppCore.h"
#include "app/DeviceBridge.h"
#include "localapi/ApiLog.h"
#include "util/TextCodec.h"

#include <json/json.h>

#include <memory>

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
        if (const std::optional<SmsData> data = ParseSmsData(request.first)) {
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

std::optional<LocalApiHub::SmsData> LocalApiHub::ParseSmsData(std::string_view json) {
    Json::CharReaderBuilder builder;
    const std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
    Json::Value root;
    if (!reader->parse(json.data(), json.data() + json.size(), &root, nullptr) ||
        !root.isObject()) {
        return std::nullopt;
    }
    const Json::Value& size = root["size"];
    const Json::Value& list = root["list"];
    const Json::Value& content = root["content"];
    if (!size.isIntegral() || !list.isArray() || list.empty() || !content.isString() ||
        size.asLargestInt() != static_cast<Json::LargestInt>(list.size())) {
        return std::nullopt;
    }
    SmsData data;
    for (const Json::Value& entry : list) {
        const Json::Value& number = entry.isObject() ? entry["number"] : Json::Value();
        if (number.isString()) {
            data.numbers << Utf8ToWide(number.asString());
        } else if (number.isIntegral()) {
            data.numbers << QString::number(number.asLargestInt());
        } else {
            return std::nullopt;
        }
    }
    data.content = Utf8ToWide(content.asString());
    return data;
}

} // namespace tamberlink
