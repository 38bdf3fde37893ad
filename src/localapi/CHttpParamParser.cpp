#include "localapi/CHttpParamParser.h"

namespace tamberlink {
namespace {

// Only a letter, '%' or '+' can start a name; any other character between pairs is skipped.
bool StartsPair(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '%' || c == '+';
}

} // namespace

void CHttpParamParser::Parse(std::string_view text) {
    if (!text.empty() && text.front() == '&') {
        text.remove_prefix(1);
    }
    // The end of the text counts as a closing '&', so the last pair needs none.
    std::size_t pos = 0;
    while (pos < text.size()) {
        if (!StartsPair(text[pos])) {
            ++pos;
            continue;
        }
        const std::size_t equals = text.find('=', pos);
        if (equals == std::string_view::npos) {
            break;
        }
        std::size_t amp = text.find('&', pos);
        if (amp == std::string_view::npos) {
            amp = text.size();
        }
        // A piece without '=' before its '&' (the "a" of "a&b=1") names nothing and is
        // skipped whole; the pairs after it are read as usual.
        if (equals < amp) {
            params_.emplace(text.substr(pos, equals - pos),
                            text.substr(equals + 1, amp - equals - 1));
        }
        pos = amp + 1;
    }
}

const std::string* CHttpParamParser::Find(const std::string& name) const {
    const auto it = params_.find(name);
    return it == params_.end() ? nullptr : &it->second;
}

} // namespace tamberlink
