#pragma once

#include "cloud/CloudRequest.h"

#include <string_view>

namespace tamberlink {

class CloudClient;
class CloudHost;

// Asks the service for the newest program version: silently at start-up, or for the update
// window. A newer version shows itself either way; the rest only answers the window.
class VersionCheck {
public:
    enum Origin { kStartUp = 1, kUpdateWindow = 2 };

    VersionCheck(CloudClient& client, CloudHost& host);

    void CheckForUpdates(int origin);
    void OnReply(const CloudReply& reply);
    // The check got no reply: the update window hears of it, the start-up check is silent.
    void OnFailure();

    // Dotted versions compared number by number ("1.0.10" is newer than "1.0.5"); a missing
    // part counts as 0, and letters after a part's digits are compared as text, without regard
    // to case.
    static bool IsNewer(std::string_view offered, std::string_view current);

private:
    CloudClient& client_;
    CloudHost& host_;
    int origin_ = kStartUp;
};

} // namespace tamberlink
