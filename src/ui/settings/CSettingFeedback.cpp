#include "ui/settings/CSettingFeedback.h"

#include "app/AppCore.h"
#include "ui/widgets/Controls.h"

#include <QLineEdit>
#include <QRegularExpressionValidator>
#include <QTextEdit>

namespace tamberlink {

CSettingFeedback::CSettingFeedback(QWidget* parent, AppCore& core)
    : CSettingBaseUI(parent, QStringLiteral("意见反馈"), core) {}

void CSettingFeedback::InitContent() {
    content_ = new QTextEdit(Content());
    content_->setObjectName(QStringLiteral("EditFeedback"));
    content_->setFont(SkinFont(1));
    content_->setAcceptRichText(false);
    content_->setPlaceholderText(QStringLiteral("请写下您的意见或建议"));
    SetEditBorder(content_, 1, QColor(0xFFE1E1E1u), QColor(0xFF77C5E5u));
    SetFloat(content_, Content(), QRect(14, 10, 330, 100));

    AddLabel(QRect(14, 120, 66, 30), QStringLiteral("联系方式："));
    contact_ = AddEdit(QRect(80, 120, 264, 30), QString());
    contact_->setObjectName(QStringLiteral("EditContact"));
    contact_->setMaxLength(15);
    contact_->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), contact_));
    contact_->setToolTip(QStringLiteral("输入QQ或手机号"));
    contact_->setPlaceholderText(QStringLiteral("输入QQ或手机号"));

    connect(AddButton(125, 167, QStringLiteral("提交")), &QAbstractButton::clicked, this,
            &CSettingFeedback::Submit);
}

void CSettingFeedback::Submit() {
    if (CloudFlows* cloud = Core().Cloud()) {
        cloud->FeedbackSender().SubmitFeedback(content_->toPlainText(), contact_->text());
    }
}

} // namespace tamberlink
