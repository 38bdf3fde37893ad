#pragma once

#include "cloud/CloudRequest.h"

#include <QString>

namespace tamberlink {

class CloudClient;
class UiSink;

// Sends the user's opinion and contact number; any answer counts as received.
class Feedback {
public:
    Feedback(CloudClient& client, UiSink& sink);

    // Neither text is checked: empty ones are sent as they are.
    void SubmitFeedback(const QString& content, const QString& contact);
    void OnReply(const CloudReply& reply);

private:
    CloudClient& client_;
    UiSink& sink_;
};

} // namespace tamberlink
