#include "cloud/Feedback.h"

#include "app/UiSink.h"
#include "cloud/CloudClient.h"
#include "util/TextCodec.h"

namespace tamberlink {

Feedback::Feedback(CloudClient& client, UiSink& sink)
    : client_(client)
    , sink_(sink) {}

void Feedback::SubmitFeedback(const QString& content, const QString& contact) {
    client_.Submit(client_.Requests().FeedbackAdd(WideToUtf8(content), WideToUtf8(contact)));
}

void Feedback::OnReply(const CloudReply&) {
    sink_.CloseFeedback();
    sink_.ShowTip(QStringLiteral("提交成功，感谢您的宝贵意见！"));
}

} // namespace tamberlink
