#include "ui/sms/CDialogTemplate.h"

#include "app/AppCore.h"
#include "ui/widgets/Controls.h"

#include <QLineEdit>
#include <QTextEdit>

namespace tamberlink {

CDialogTemplate::CDialogTemplate(QWidget* parent, AppCore& core)
    : WindowImplBase(parent)
    , core_(core) {}

void CDialogTemplate::InitWindow() {
    SetControlText(ui_.labelTitle, windowTitle());
    title_ = ui_.EditTitle;
    title_->setMaxLength(kTitleMaxLength);
    SetEditBorder(title_, 1, QColor(0xFFE1E1E1u), QColor(0xFF77C5E5u));

    content_ = FillWithTextEdit(ui_.ContainerConent, QStringLiteral("EditTemplateContent"));
    content_->setPlaceholderText(QStringLiteral("模版内容"));

    connect(ui_.ButtonSave, &QAbstractButton::clicked, this, &CDialogTemplate::Save);
    connect(ui_.ButtonCancel, &QAbstractButton::clicked, this, &CDialogTemplate::Close);
}

void CDialogTemplate::SetTemplate(const TemplateRecord& record) {
    id_ = record.id;
    title_->setText(record.title);
    content_->setPlainText(record.content);
}

void CDialogTemplate::Save() {
    const TemplateRecord record{id_, title_->text(), content_->toPlainText()};
    if (record.title.trimmed().isEmpty() || record.content.trimmed().isEmpty()) {
        core_.ShowTip(QStringLiteral("模版标题和内容不能为空"));
        return;
    }
    // A template that could not be stored stays in the editor.
    if (!core_.SaveTemplate(record)) {
        core_.ShowTip(QStringLiteral("保存模版失败"));
        return;
    }
    Close();
}

} // namespace tamberlink
