#pragma once

#include <cstdint>
#include <ctime>
#include <string>

namespace tamberlink {

// The kinds of cloud request. The numbers are fixed; a reply is delivered only for kinds
// between kFirstDeliveredKind and kLastDeliveredKind (exclusive).
enum CloudRequestKind : int {
    VCODE_LOGIN = 1025,
    VCODE_REG = 1026,
    VCODE_FORGET = 1027,
    USER_LOGIN = 1054,
    USER_REG = 1055,
    SMS_CODE = 1056,
    USER_FORGET = 1057,
    CONTACT_ALL = 1058,
    CONTACT_ADD_RANGE = 1059,
    CONTACT_DEL_RANGE = 1060,
    FEEDBACK_ADD = 1061,
    VERSION_UPD = 1062,
};

inline constexpr int kFirstDeliveredKind = 1024;
inline constexpr int kLastDeliveredKind = 2047;

// One request to the cloud service. `tag` never goes on the wire: the reply carries it back,
// so that a chain of requests can tell its own replies from those of a chain it replaced.
struct CloudRequest {
    int kind = 0;
    std::string url;  // complete URL with its query string
    std::string body; // form text, JSON text, or empty for GET
    std::uint64_t tag = 0;
};

struct CloudReply {
    int kind = 0;
    std::string body; // exactly as received (inflated when it came compressed)
    std::uint64_t tag = 0;
};

// A request that got no reply: the service could not be reached, did not answer in time, or
// the transfer broke off.
struct CloudFailure {
    int kind = 0;
    std::uint64_t tag = 0;
    bool timedOut = false;
};

// The `_` value every request carries: whole seconds since 1970 times 1000.
std::int64_t CacheBuster(std::time_t now);

// Makes every request of the service from one base URL, with the current time as `_`.
class CloudRequestBuilder {
public:
    // A base URL without a trailing '/' gets one.
    explicit CloudRequestBuilder(std::string baseUrl);

    const std::string& BaseUrl() const { return baseUrl_; }

    // VCODE_LOGIN, VCODE_REG or VCODE_FORGET.
    CloudRequest Vcode(int kind) const;
    CloudRequest UserLogin(const std::string& pn, const std::string& p, const std::string& v) const;
    CloudRequest UserReg(const std::string& pn, const std::string& p, const std::string& v) const;
    CloudRequest SmsCode(const std::string& pn, const std::string& v) const;
    CloudRequest UserForget(const std::string& p, const std::string& m) const;
    CloudRequest ContactAll(int page, int pageSize) const;
    CloudRequest ContactAddRange(const std::string& json) const;
    CloudRequest ContactDelRange(const std::string& begin) const;
    CloudRequest FeedbackAdd(const std::string& content, const std::string& tel) const;
    CloudRequest VersionUpd(int type) const;

    // A form value as it goes into a body: the characters that would split or re-encode the
    // form ('%', '&', '+', '=') are percent-encoded, everything else is left as it is.
    static std::string FormValue(const std::string& value);

private:
    std::string Url(const char* path) const;
    static std::string Stamp();

    std::string baseUrl_;
};

} // namespace tamberlink
