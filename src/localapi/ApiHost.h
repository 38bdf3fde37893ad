#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace tamberlink {

class CallEvents;

// What a route lets its caller do; a web page's request names it when the user is asked.
enum class ApiPurpose {
    Dial,
    SendSms,
    Record,
    FollowCalls,
};

// A request of the local API accepted by a route, for the core to carry out.
struct LocalApiRequest {
    enum class Kind : std::uint8_t {
        LandlineDial = 0,
        PhoneDial = 1,
        Sms = 2,
        RecordMode = 3,
        RecordControl = 4,
    };

    Kind kind = Kind::LandlineDial;
    std::string first;  // the number, the SMS data, the mode or the control word (UTF-8)
    std::string second; // the caller's "guid" of a dial request; empty otherwise
    // Shown to the user to confirm in Tamberlink rather than done (the dial in the quick dial,
    // the SMS in a new SMS window, the recording change in a question).
    bool confirm = false;
};

// What the routes need of the core. Called on the server's worker threads.
class ApiHost {
public:
    virtual ~ApiHost() = default;

    // The telephone box is connected.
    virtual bool IsConnected() const = 0;
    // The companion phone is linked to the box.
    virtual bool IsPhoneLinked() const = 0;
    // The number (UTF-8, as the caller sent it) is on the do-not-call list: no dial reaches it.
    virtual bool IsDoNotCall(const std::string& /*number*/) { return false; }
    // Carries the request out and returns once it has been handled, or at once when the
    // program is shutting down.
    virtual void HandOver(const LocalApiRequest& request) = 0;

    // The call flow's events, for the event stream.
    virtual CallEvents& Events() = 0;
    // Whether the web page of `origin` may use the API for `purpose`. `answer` is called at
    // most once, from any thread, possibly before this returns: at once with the user's
    // remembered answer or a refusal, otherwise when the user answers. Returns a ticket for
    // WithdrawAsk while the answer is awaited, 0 when it was given already.
    virtual std::uint64_t AskOrigin(const std::string& origin, ApiPurpose purpose,
                                    std::function<void(bool allowed)> answer) = 0;
    // The request of `ticket` waits no longer (its time limit passed): its `answer` is not
    // called, and a question nobody waits for any more is closed.
    virtual void WithdrawAsk(std::uint64_t ticket) = 0;
};

} // namespace tamberlink
