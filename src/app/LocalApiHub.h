#pragma once

#include "localapi/ApiHost.h"

namespace tamberlink {

class AppCore;

// The core's side of the local API: the server's workers hand each accepted request over
// here and wait while it is carried out on the UI thread.
class LocalApiHub : public ApiHost {
public:
    explicit LocalApiHub(AppCore& core);

    bool IsConnected() const override;
    bool IsPhoneLinked() const override;
    bool IsDoNotCall(const std::string& number) override;
    // Refused (returning at once) once the core is shutting down.
    void HandOver(const LocalApiRequest& request) override;
    CallEvents& Events() override;
    std::uint64_t AskOrigin(const std::string& origin, ApiPurpose purpose,
                            std::function<void(bool allowed)> answer) override;
    void WithdrawAsk(std::uint64_t ticket) override;

    // Carries the request out, or offers it to the user when it is to be confirmed; on the
    // UI thread.
    void Handle(const LocalApiRequest& request);

private:
    void Offer(const LocalApiRequest& request);

    AppCore& core_;
};

} // namespace tamberlink
