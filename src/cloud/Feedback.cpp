#include "cloud/Feedback.h"

#include "cloud/CloudClient.h"
#include "cloud/CloudHost.h"
#include "util/TextCodec.h"

namespace tamberlink {

Feedback::Feedback(CloudClient& client, CloudHost& host)
    : client_(client)
    , host_(host) {}

void Feedback::SubmitFeedback(const QString& content, const QString& contact) {
    client_.Submit(client_.Requests().FeedbackAdd(WideToUtf8(content), WideToUtf8(contact)));
}

void Feedback::OnFailure() {
    host_.ShowTip(CloudHost::NoServerNotice());
}

void Feedback::OnReply(const CloudReply&) {
    host_.CloseFeedback();
    host_.ShowTip(QStringLiteral("提交成功，感谢您的宝贵意见！"));
}

} // namespace tamberlink
