#include "ui/sms/SmsComposeBase.h"

#include "app/AppCore.h"
#include "app/DeviceBridge.h"
#include "ui/sms/CDialogTemplateList.h"
#include "ui/widgets/Controls.h"

#include <QTextEdit>
#include <QTimer>

namespace tamberlink {

SmsComposeBase::SmsComposeBase(QWidget* parent, AppCore& core)
    : WindowImplBase(parent)
    , core_(core) {}

void SmsComposeBase::InitCompose(QWidget* container, int inset, QAbstractButton* minimise,
                                 QAbstractButton* templates) {
    editor_ = FillWithTextEdit(container, QStringLiteral("EditSmsContent"));
    editor_->setPlaceholderText(QStringLiteral("请输入短信内容"));
    SetEditPadding(editor_, inset, inset, inset, inset);

    // The dialogs live inside the main window: minimising one minimises the program.
    connect(minimise, &QAbstractButton::clicked, this, [this] { window()->showMinimized(); });
    connect(templates, &QAbstractButton::clicked, this, &SmsComposeBase::OpenTemplatePicker);
}

QString SmsComposeBase::Content() const {
    return editor_ != nullptr ? editor_->toPlainText() : QString();
}

void SmsComposeBase::SetContent(const QString& text) {
    if (editor_ != nullptr) {
        editor_->setPlainText(text);
    }
}

CDialogTemplateList* SmsComposeBase::TemplatePicker() const {
    return templatePicker_ != nullptr && !templatePicker_->IsClosing() ? templatePicker_.data()
                                                                       : nullptr;
}

CDialogTemplateList* SmsComposeBase::OpenTemplatePicker() {
    if (CDialogTemplateList* open = TemplatePicker()) {
        open->raise();
        return open;
    }
    auto* picker = new CDialogTemplateList(this, core_);
    picker->Create(QStringLiteral("选择模版"));
    connect(picker, &CDialogTemplateList::ContentChosen, this, &SmsComposeBase::SetContent);
    ShowCentred(picker);
    templatePicker_ = picker;
    return picker;
}

void SmsComposeBase::ShowCentred(WindowImplBase* child) {
    child->ShowAt(QPoint((width() - child->width()) / 2, (height() - child->height()) / 2));
}

bool SmsComposeBase::HandOff(const QStringList& numbers) {
    if (handedOff_ || !core_.Device().Calls().SendSmsViaPhone(numbers, Content())) {
        return false;
    }
    handedOff_ = true;
    // Nothing more to do here; a second send would hand the SMS off twice.
    Form()->setEnabled(false);
    QTimer::singleShot(kCloseDelayMs, this, &SmsComposeBase::Close);
    return true;
}

} // namespace tamberlink
