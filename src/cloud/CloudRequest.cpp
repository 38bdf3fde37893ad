#include "cloud/CloudRequest.h"

#include "util/TextCodec.h"

namespace tamberlink {

std::int64_t CacheBuster(std::time_t now) {
    return static_cast<std::int64_t>(now) * 1000;
}

CloudRequestBuilder::CloudRequestBuilder(std::string baseUrl)
    : baseUrl_(std::move(baseUrl)) {
    if (baseUrl_.empty() || baseUrl_.back() != '/') {
        baseUrl_ += '/';
    }
}

std::string CloudRequestBuilder::Url(const char* path) const {
    return baseUrl_ + path;
}

std::string CloudRequestBuilder::Stamp() {
    return std::to_string(CacheBuster(std::time(nullptr)));
}

std::string CloudRequestBuilder::FormValue(const std::string& value) {
    return Escaped(value, {{'%', "%25"}, {'&', "%26"}, {'+', "%2B"}, {'=', "%3D"}});
}

CloudRequest CloudRequestBuilder::Vcode(int kind) const {
    const char* type = kind == VCODE_REG ? "reg" : kind == VCODE_FORGET ? "forget" : "login";
    return {kind, Url("api/vcode?type=") + type + "&_=" + Stamp(), {}};
}

CloudRequest CloudRequestBuilder::UserLogin(const std::string& pn, const std::string& p,
                                            const std::string& v) const {
    return {USER_LOGIN, Url("api/user"),
            "cmd=login&_=" + Stamp() + "&pn=" + FormValue(pn) + "&p=" + FormValue(p) +
                "&v=" + FormValue(v)};
}

CloudRequest CloudRequestBuilder::UserReg(const std::string& pn, const std::string& p,
                                          const std::string& v) const {
    return {USER_REG, Url("api/user"),
            "cmd=reg&_=" + Stamp() + "&pn=" + FormValue(pn) + "&p=" + FormValue(p) +
                "&v=" + FormValue(v)};
}

CloudRequest CloudRequestBuilder::SmsCode(const std::string& pn, const std::string& v) const {
    return {SMS_CODE, Url("api/sms"),
            "pn=" + FormValue(pn) + "&_=" + Stamp() + "&v=" + FormValue(v)};
}

CloudRequest CloudRequestBuilder::UserForget(const std::string& p, const std::string& m) const {
    return {USER_FORGET, Url("api/user"),
            "cmd=forget&_=" + Stamp() + "&p=" + FormValue(p) + "&m=" + FormValue(m)};
}

CloudRequest CloudRequestBuilder::ContactAll(int page, int pageSize) const {
    return {CONTACT_ALL, Url("api/contact"),
            "cmd=all&_=" + Stamp() + "&page=" + std::to_string(page) +
                "&page_size=" + std::to_string(pageSize)};
}

CloudRequest CloudRequestBuilder::ContactAddRange(const std::string& json) const {
    return {CONTACT_ADD_RANGE, Url("api/contact?cmd=addRange&_=") + Stamp(), json};
}

CloudRequest CloudRequestBuilder::ContactDelRange(const std::string& begin) const {
    return {CONTACT_DEL_RANGE, Url("api/contact"),
            "cmd=delRange&_=" + Stamp() + "&begin=" + FormValue(begin)};
}

CloudRequest CloudRequestBuilder::FeedbackAdd(const std::string& content,
                                              const std::string& tel) const {
    return {FEEDBACK_ADD, Url("api/feedback"),
            "cmd=add&_=" + Stamp() + "&content=" + FormValue(content) + "&tel=" + FormValue(tel)};
}

CloudRequest CloudRequestBuilder::VersionUpd(int type) const {
    return {VERSION_UPD, Url("api/version"),
            "cmd=upd&_=" + Stamp() + "&type=" + std::to_string(type)};
}

} // namespace tamberlink
