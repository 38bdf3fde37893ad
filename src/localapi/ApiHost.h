#pragma once

#include <cstdint>
#include <string>

namespace tamberlink {

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
};

// What the routes need of the core. Called on the server's worker threads.
class ApiHost {
public:
    virtual ~ApiHost() = default;

    // The telephone box is connected.
    virtual bool IsConnected() const = 0;
    // The companion phone is linked to the box.
    virtual bool IsPhoneLinked() const = 0;
    // Carries the request out and returns once it has been handled, or at once when the
    // program is shutting down.
    virtual void HandOver(const LocalApiRequest& request) = 0;
};

} // namespace tamberlink
