#pragma once

#include "localapi/ApiHost.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <string_view>

namespace tamberlink {

class AppCore;

// The core's side of the local API: the server's workers hand each accepted request over
// here and wait while it is carried out on the UI thread.
class LocalApiHub : public ApiHost {
public:
    // The data of an SMS request: {"size":n,"list":[{"number":...},...],"content":...}.
    struct SmsData {
        QStringList numbers;
        QString content;
    };

    explicit LocalApiHub(AppCore& core);

    bool IsConnected() const override;
    bool IsPhoneLinked() const override;
    // Refused (returning at once) once the core is shutting down.
    void HandOver(const LocalApiRequest& request) override;
    CallEvents& Events() override;
    void AskOrigin(const std::string& origin, ApiPurpose purpose,
                   std::function<void(bool allowed)> answer) override;

    // Carries the request out; on the UI thread.
    void Handle(const LocalApiRequest& request);

    // Nothing when the text is not JSON of that shape, "list" is empty, or "size" is not
    // the number of its entries. Numbers may be texts or whole numbers; anything else in
    // their place refuses the whole request rather than sending part of it.
    static std::optional<SmsData> ParseSmsData(std::string_view json);

private:
    AppCore& core_;
};

} // namespace tamberlink
