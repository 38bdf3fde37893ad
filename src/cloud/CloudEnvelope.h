#pragma once

#include <QString>

#include <json/value.h>

#include <string>
#include <string_view>

namespace tamberlink {

// A JSON reply of the cloud service: {"code": 0 on success, "msg": text, "data": payload}.
// Reading never throws, whatever the body holds.
struct CloudEnvelope {
    enum class State {
        NoBrace,    // the body holds no '{'
        Unparsable, // the text from the first '{' is not JSON, or "code" is not a number
        Read,
    };

    State state = State::NoBrace;
    int code = 0;     // 0 when missing
    QString msg;      // empty when missing or not a scalar
    Json::Value data; // null when missing

    bool Readable() const { return state == State::Read; }

    // Everything before the first '{' is ignored (a byte-order mark, blanks, junk).
    static CloudEnvelope Read(std::string_view body);

    // Member `key` of `object`; null when `object` is no object or lacks it.
    static const Json::Value& Member(const Json::Value& object, const char* key);
    // Member `key` read as an integer; 0 when missing or not a number in range.
    static int IntMember(const Json::Value& object, const char* key);
    // Member `key` read as UTF-8 text; numbers and booleans are written out, anything else
    // (missing, null, objects, arrays) gives empty text.
    static std::string TextMember(const Json::Value& object, const char* key);
};

} // namespace tamberlink
