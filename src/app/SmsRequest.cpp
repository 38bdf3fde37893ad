#include "app/SmsRequest.h"

#include "util/TextCodec.h"

#include <json/json.h>

#include <memory>

namespace tamberlink {

std::optional<SmsRequest> SmsRequest::Parse(std::string_view json) {
    Json::CharReaderBuilder builder;
    const std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
    Json::Value root;
    try {
        if (!reader->parse(json.data(), json.data() + json.size(), &root, nullptr)) {
            return std::nullopt;
        }
    } catch (const std::exception&) {
        return std::nullopt; // nesting beyond the reader's depth limit
    }
    if (!root.isObject()) {
        return std::nullopt;
    }
    const Json::Value& size = root["size"];
    const Json::Value& list = root["list"];
    const Json::Value& content = root["content"];
    // isInt64 before asInt64: a whole number out of its range would throw.
    if (!size.isIntegral() || !size.isInt64() || !list.isArray() || list.empty() ||
        !content.isString() || size.asInt64() != static_cast<Json::Int64>(list.size())) {
        return std::nullopt;
    }
    SmsRequest data;
    for (const Json::Value& entry : list) {
        const Json::Value& number = entry.isObject() ? entry["number"] : Json::Value();
        if (number.isString()) {
            data.numbers << Utf8ToWide(number.asString());
        } else if (number.isIntegral() && number.isInt64()) {
            data.numbers << QString::number(number.asInt64());
        } else if (number.isIntegral() && number.isUInt64()) {
            data.numbers << QString::number(number.asUInt64());
        } else {
            return std::nullopt;
        }
    }
    data.content = Utf8ToWide(content.asString());
    return data;
}

} // namespace tamberlink
