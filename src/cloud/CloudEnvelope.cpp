#include "cloud/CloudEnvelope.h"

#include "util/TextCodec.h"

#include <json/reader.h>

#include <exception>
#include <memory>

namespace tamberlink {

namespace {

// Null, booleans and numbers within int range convert as jsoncpp converts them; it would throw
// on anything else.
bool ReadInt(const Json::Value& value, int& out) {
    if (!value.isConvertibleTo(Json::intValue)) {
        return false;
    }
    out = value.asInt();
    return true;
}

std::string ScalarText(const Json::Value& value) {
    if (value.isString() || value.isNumeric() || value.isBool()) {
        return value.asString();
    }
    return {};
}

} // namespace

CloudEnvelope CloudEnvelope::Read(std::string_view body) {
    CloudEnvelope envelope;
    const std::size_t brace = body.find('{');
    if (brace == std::string_view::npos) {
        return envelope;
    }
    envelope.state = State::Unparsable;
    const std::string_view text = body.substr(brace);
    Json::CharReaderBuilder builder;
    builder["collectComments"] = true;
    const std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
    Json::Value root;
    try {
        if (!reader->parse(text.data(), text.data() + text.size(), &root, nullptr) ||
            !root.isObject()) {
            return envelope;
        }
        if (!ReadInt(root["code"], envelope.code)) {
            return envelope;
        }
        envelope.msg = Utf8ToWide(ScalarText(root["msg"]));
        envelope.data = root["data"];
    } catch (const std::exception&) {
        // Nesting beyond the reader's depth limit, or text too long to convert.
        return envelope;
    }
    envelope.state = State::Read;
    return envelope;
}

const Json::Value& CloudEnvelope::Member(const Json::Value& object, const char* key) {
    static const Json::Value null;
    if (!object.isObject()) {
        return null;
    }
    const Json::Value* member = object.find(key, key + std::char_traits<char>::length(key));
    return member ? *member : null;
}

int CloudEnvelope::IntMember(const Json::Value& object, const char* key) {
    int value = 0;
    return ReadInt(Member(object, key), value) ? value : 0;
}

std::string CloudEnvelope::TextMember(const Json::Value& object, const char* key) {
    return ScalarText(Member(object, key));
}

} // namespace tamberlink
