#pragma once

#include <map>
#include <string>
#include <string_view>

namespace tamberlink {

// Form parameters of a query string or a form body ("a=1&b=2"). Names and values are kept
// exactly as received: neither percent signs nor plus signs are decoded, and names compare
// case-sensitively. When a name occurs twice, its first value is kept.
class CHttpParamParser {
public:
    void Parse(std::string_view text);

    // The value of `name`, or nullptr when the parameter is missing.
    const std::string* Find(const std::string& name) const;
    const std::map<std::string, std::string, std::less<>>& Params() const { return params_; }

private:
    std::map<std::string, std::string, std::less<>> params_;
};

} // namespace tamberlink
