#pragma once

#include "cloud/CloudRequest.h"

#include <QString>

namespace tamberlink {

class CloudClient;
class CloudHost;

// Sends the user's opinion and contact number; any answer counts as received.
class Feedback {
public:
    Feedback(CloudClient& client, CloudHost& host);

    // Neither text is checked: empty ones are sent as they are.
    void SubmitFeedback(const QString& content, const QString& contact);
    void OnReply(const CloudReply& reply);
    // The feedback got no reply: the window stays with its text, and the user hears why.
    void OnFailure();

private:
    CloudClient& client_;
    CloudHost& host_;
};

} // namespace tamberlink
