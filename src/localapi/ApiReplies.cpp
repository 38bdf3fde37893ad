#include "localapi/ApiReplies.h"

#include "localapi/ApiLog.h"

#include <iconv.h>

#include <array>
#include <cstdio>
#include <string_view>

namespace tamberlink {
namespace {

struct ReplyText {
    ApiReply reply;
    int code;
    std::string_view message; // UTF-8
};

// In the order of ApiReply.
constexpr std::array kReplyTexts = {
    ReplyText{ApiReply::TelDialed, 0, "固话拨号成功"},
    ReplyText{ApiReply::TelNoBox, 0, "固话拨号失败，盒子未连接"},
    ReplyText{ApiReply::UnknownDialType, 0, "拨号失败，未知的拨号方式"},
    ReplyText{ApiReply::MobileNoBox, 0, "手机拨号失败，盒子未连接"},
    ReplyText{ApiReply::MobileDialed, 0, "手机拨号成功"},
    ReplyText{ApiReply::MobileNoPhone, 0, "手机拨号失败，手机未连接到Tamberlink拨号盒"},
    ReplyText{ApiReply::EmptyNumber, -1, "拨号失败，号码不能为空"},
    ReplyText{ApiReply::SmsNoBox, 0, "短信发送失败，盒子未连接"},
    ReplyText{ApiReply::SmsNoPhone, 0, "短信发送失败，手机未连接到Tamberlink拨号盒"},
    ReplyText{ApiReply::SmsEmptyData, 0, "短信发送失败，请求数据不能为空"},
    // The request was passed on; whether the SMS goes out is up to the phone.
    ReplyText{ApiReply::SmsAccepted, 0, "短信发送请求已受理"},
    ReplyText{ApiReply::ModeAuto, 0, "设置录音模式成功，自动录音状态"},
    ReplyText{ApiReply::ModeHand, 0, "设置录音模式成功，非自动录音状态"},
    ReplyText{ApiReply::ModeUnknown, 0, "设置自动录音失败，未知的设置方式"},
    ReplyText{ApiReply::RecordStarted, 0, "设置录音成功，录音开始"},
    ReplyText{ApiReply::RecordStopped, 0, "设置录音失败，录音停止"},
    ReplyText{ApiReply::ControlUnknown, 0, "录音失败，未知的录音方式"},
    ReplyText{ApiReply::CmdUnknown, 0, "设置录音失败，未知的设置方式"},
    // A web page the user has not allowed (or could not be asked about) does nothing.
    ReplyText{ApiReply::PageRefused, -1, "请求被拒绝，用户未允许此网页使用Tamberlink"},
    ReplyText{ApiReply::TooManySubscribers, -1, "订阅失败，订阅者已达上限"},
    ReplyText{ApiReply::SpeculationRefused, -1, "请求被拒绝，浏览器预先加载的请求不会被执行"},
    // A browser's navigation is shown to the user, who decides in Tamberlink.
    ReplyText{ApiReply::DialOffered, 0, "号码已显示在Tamberlink中，请在Tamberlink中选择拨打"},
    ReplyText{ApiReply::SmsOffered, 0, "短信已在Tamberlink中打开，请在Tamberlink中确认发送"},
    ReplyText{ApiReply::RecordOffered, 0, "录音设置等待确认，请在Tamberlink中确认"},
    ReplyText{ApiReply::DialDoNotCall, -1, "拨号被拒绝，该号码在免打扰名单中"},
};

constexpr bool InReplyOrder() {
    for (std::size_t i = 0; i < kReplyTexts.size(); ++i) {
        if (static_cast<std::size_t>(kReplyTexts[i].reply) != i) {
            return false;
        }
    }
    return true;
}
static_assert(InReplyOrder(), "kReplyTexts must follow the order of ApiReply");

std::string Utf8ToGbk(std::string_view utf8) {
    const iconv_t cd = iconv_open("GBK", "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        qCWarning(lcLocalApi, "no GBK converter; replies go out in UTF-8");
        return std::string(utf8);
    }
    std::string gbk(utf8.size() * 2, '\0');
    char* in = const_cast<char*>(utf8.data());
    std::size_t inLeft = utf8.size();
    char* out = gbk.data();
    std::size_t outLeft = gbk.size();
    iconv(cd, &in, &inLeft, &out, &outLeft);
    iconv_close(cd);
    gbk.resize(gbk.size() - outLeft);
    return gbk;
}

std::array<std::string, kReplyTexts.size()> MakeBodies() {
    std::array<std::string, kReplyTexts.size()> bodies;
    for (std::size_t i = 0; i < kReplyTexts.size(); ++i) {
        char head[32];
        std::snprintf(head, sizeof head, "{\"code\":%d, \"msg\":", kReplyTexts[i].code);
        bodies[i] = head + Utf8ToGbk(kReplyTexts[i].message) + "}";
    }
    return bodies;
}

} // namespace

const std::string& ReplyBody(ApiReply reply) {
    static const std::array<std::string, kReplyTexts.size()> bodies = MakeBodies();
    return bodies[static_cast<std::size_t>(reply)];
}

} // namespace tamberlink
