#pragma once

namespace tamberlink {

class ApiHost;
class IManager;
class IRequest;

// The three routes of the local API. Each checks its parameters and the device state,
// hands an accepted request to the core (waiting until the core has handled it) and
// answers at once with a short status text: the answer says the request was accepted,
// not that the call or the SMS succeeded.
class ApiRoutes {
public:
    ApiRoutes(IManager& manager, ApiHost& host);
    ~ApiRoutes();
    ApiRoutes(const ApiRoutes&) = delete;
    ApiRoutes& operator=(const ApiRoutes&) = delete;

private:
    // /api/call?type=tel|mobile&number=...&guid=...
    void Call(IRequest& request);
    // /api/sms with data={"size":n,"list":[{"number":...}],"content":...}
    void Sms(IRequest& request);
    // /api/record?cmd=mode&value=auto|hand, /api/record?cmd=control&value=start|stop
    void Record(IRequest& request);

    IManager& manager_;
    ApiHost& host_;
};

} // namespace tamberlink
