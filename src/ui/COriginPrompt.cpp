#include "ui/COriginPrompt.h"

#include "ui/CSettingButton.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>

#include <algorithm>
#include <vector>

namespace tamberlink {
namespace {

constexpr QRect kQuestionRect{16, 14, 326, 124};
// Prompts open at once are laid over each other this far apart.
constexpr int kStagger = 24;

std::vector<COriginPrompt*>& OpenPrompts() {
    static std::vector<COriginPrompt*> prompts;
    return prompts;
}

} // namespace

COriginPrompt::COriginPrompt(const QString& origin, ApiPurpose purpose)
    : CSettingBaseUI(nullptr, QStringLiteral("网页访问请求"),
                     Qt::Tool | Qt::WindowStaysOnTopHint | Qt::FramelessWindowHint)
    , origin_(origin)
    , purpose_(purpose) {
    OpenPrompts().push_back(this);
}

COriginPrompt::~COriginPrompt() {
    std::erase(OpenPrompts(), this);
}

COriginPrompt* COriginPrompt::Find(const QString& origin) {
    for (COriginPrompt* prompt : OpenPrompts()) {
        if (prompt->origin_ == origin && !prompt->IsClosing()) {
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

COriginPrompt* COriginPrompt::Ask(const QString& origin, ApiPurpose purpose) {
    if (COriginPrompt* open = Find(origin)) {
        open->raise();
        return open;
    }
    const auto others = static_cast<int>(OpenPrompts().size());
    auto* prompt = new COriginPrompt(origin, purpose);
    if (!prompt->Create(QStringLiteral("网页访问请求"))) {
        prompt->Close();
        return nullptr;
    }
    QPoint position;
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        position = screen->availableGeometry().center() - prompt->rect().center();
    }
    prompt->ShowAt(position + QPoint(kStagger, kStagger) * others);
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
    return question_ != nullptr ? question_->text() : QString();
}

void COriginPrompt::InitWindow() {
    CSettingBaseUI::InitWindow();
    question_ = AddLabel(kQuestionRect, QString());
    question_->setTextFormat(Qt::PlainText);
    question_->setWordWrap(true);
    question_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    // A long origin is shortened in the middle so that both its ends stay readable.
    const QString origin = QFontMetrics(question_->font())
                               .elidedText(origin_, Qt::ElideMiddle, kQuestionRect.width() - 8);
    question_->setText(QStringLiteral("网页 %1\n想要通过Tamberlink%2。\n\n"
                                      "您的选择会被记住，可在菜单“网页访问权限”中更改。")
                           .arg(origin, PurposeText(purpose_)));
    question_->setToolTip(origin_);
    connect(AddButton(50, 150, QStringLiteral("允许")), &QAbstractButton::clicked, this,
            [this] { Answer(true); });
    connect(AddButton(200, 150, QStringLiteral("拒绝")), &QAbstractButton::clicked, this,
            [this] { Answer(false); });
}

void COriginPrompt::Answer(bool allowed) {
    emit Answered(origin_, allowed);
    Close();
}

void COriginPrompt::OnCloseClicked() {
    emit Dismissed(origin_);
    Close();
}

} // namespace tamberlink
