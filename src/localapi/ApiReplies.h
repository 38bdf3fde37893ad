#pragma once

#include <string>

namespace tamberlink {

// The answers of the three API routes.
enum class ApiReply {
    TelDialed,
    TelNoBox,
    UnknownDialType,
    MobileNoBox,
    MobileDialed,
    MobileNoPhone,
    EmptyNumber,
    SmsNoBox,
    SmsNoPhone,
    SmsEmptyData,
    SmsAccepted,
    ModeAuto,
    ModeHand,
    ModeUnknown,
    RecordStarted,
    RecordStopped,
    ControlUnknown,
    CmdUnknown,
    PageRefused,
    TooManySubscribers,
    SpeculationRefused,
    DialOffered,
    SmsOffered,
    RecordOffered,
    DialDoNotCall,
};

// The reply body {"code":%d, "msg":%s}: the message goes in unquoted and GBK-encoded.
// Callers parse these exact bytes, so the body is not strict JSON on purpose.
const std::string& ReplyBody(ApiReply reply);

} // namespace tamberlink
