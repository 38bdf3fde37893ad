#include "ui/settings/COriginPrompt.h"

#include "ui/widgets/CSettingButton.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>

#include <algorithm>
#include <vector>

namespace tamberlink {
namespace {

constexpr QRect kQuestionRect{16, 14, 326, 124};

std::vector<COriginPrompt*>& OpenPrompts() {
    static std::vector<COriginPrompt*> prompts;
    return prompts;
}

} // namespace

COriginPrompt::COriginPrompt(const OriginConsent::Question& question)
    : CSettingBaseUI(nullptr, QStringLiteral("网页访问请求"),
                     Qt::Tool | Qt::WindowStaysOnTopHint | Qt::FramelessWindowHint)
    , question_(question) {
    OpenPrompts().push_back(this);
}

COriginPrompt::~COriginPrompt() {
    std::erase(OpenPrompts(), this);
}

COriginPrompt* COriginPrompt::Find(std::uint64_t id) {
    for (COriginPrompt* prompt : OpenPrompts()) {
        if (prompt->question_.id == id && !prompt->IsClosing()) {
            return prompt;
        }
    }
    return nullptr;
}

COriginPrompt* COriginPrompt::Find(const QString& origin) {
    for (COriginPrompt* prompt : OpenPrompts()) {
        if (prompt->question_.origin == origin && !prompt->IsClosing()) {
            return prompt;
        }
    }
    return nullptr;
}

void COriginPrompt::CloseAll() {
    // Closing takes a prompt off the list once it is deleted, later: a copy is walked.
    const std::vector<COriginPrompt*> prompts = OpenPrompts();
    for (COriginPrompt* prompt : prompts) {
        prompt->Close();
    }
}

COriginPrompt* COriginPrompt::Ask(const OriginConsent::Question& question) {
    if (COriginPrompt* open = Find(question.id)) {
        open->raise();
        return open;
    }
    auto* prompt = new COriginPrompt(question);
    prompt->Create(QStringLiteral("网页访问请求"));
    QPoint position;
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        position = screen->availableGeometry().center() - prompt->rect().center();
    }
    prompt->ShowAt(position);
    return prompt;
}

QString COriginPrompt::PurposeText(ApiPurpose purpose) {
    switch (purpose) {
    case ApiPurpose::Dial:
        return QStringLiteral("拨打电话");
    case ApiPurpose::SendSms:
        return QStringLiteral("发送短信");
    case ApiPurpose::Record:
        return QStringLiteral("控制通话录音");
    case ApiPurpose::FollowCalls:
        return QStringLiteral("获取您的来电、去电和录音动态");
    }
    return {};
}

QString COriginPrompt::QuestionText() const {
    return text_ != nullptr ? text_->text() : QString();
}

void COriginPrompt::InitContent() {
    text_ = AddLabel(kQuestionRect, QString());
    text_->setTextFormat(Qt::PlainText);
    text_->setWordWrap(true);
    text_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    // A long origin is shortened in the middle so that both its ends stay readable.
    const QString origin =
        QFontMetrics(text_->font())
            .elidedText(question_.origin, Qt::ElideMiddle, kQuestionRect.width() - 8);
    text_->setText(QStringLiteral("网页 %1\n想要通过Tamberlink%2。\n\n"
                                  "您的选择只对这一项有效，可在菜单“网页访问权限”中更改。")
                       .arg(origin, PurposeText(question_.purpose)));
    text_->setToolTip(question_.origin);
    connect(AddButton(50, 150, QStringLiteral("允许")), &QAbstractButton::clicked, this,
            [this] { Answer(true); });
    connect(AddButton(200, 150, QStringLiteral("拒绝")), &QAbstractButton::clicked, this,
            [this] { Answer(false); });
}

void COriginPrompt::Answer(bool allowed) {
    emit Answered(question_.id, allowed);
    Close();
}

void COriginPrompt::OnCloseClicked() {
    emit Dismissed(question_.id);
    Close();
}

} // namespace tamberlink
