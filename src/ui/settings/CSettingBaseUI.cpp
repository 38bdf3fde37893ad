#include "ui/settings/CSettingBaseUI.h"

#include "ui/widgets/CSettingButton.h"
#include "ui/widgets/Controls.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>

namespace tamberlink {

CSettingBaseUI::CSettingBaseUI(QWidget* parent, const QString& title, Qt::WindowFlags flags)
    : WindowImplBase(parent, flags)
    , title_(title) {}

CSettingBaseUI::CSettingBaseUI(QWidget* parent, const QString& title, AppCore& core)
    : CSettingBaseUI(parent, title) {
    core_ = &core;
}

void CSettingBaseUI::InitWindow() {
    SetBkImage(frame_.title, QStringLiteral("bgHead.png"));
    SetControlText(frame_.titleLabel, title_);
    frame_.close->SetNormalImage(QStringLiteral("btnDlgClosedNomal.png"));
    frame_.close->SetHotImage(QStringLiteral("btnDlgClosedHot.png"));
    frame_.close->SetPushedImage(QStringLiteral("btnDlgClosedPush.png"));
    content_ = frame_.content;
    // The form gives the content area its size: 358 x 217 unless a dialog has a form of its own.
    content_->setFixedSize(content_->size());
    InitContent();
}

void CSettingBaseUI::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        OnCloseClicked();
        return;
    }
    WindowImplBase::keyPressEvent(event);
}

QLabel* CSettingBaseUI::AddLabel(const QRect& geometry, const QString& text) {
    auto* label = new QLabel(text, content_);
    label->setFont(SkinFont(1));
    SetFloat(label, content_, geometry);
    return label;
}

QLineEdit* CSettingBaseUI::AddEdit(const QRect& geometry, const QString& text) {
    auto* edit = new QLineEdit(content_);
    edit->setFont(SkinFont(1));
    SetEditBorder(edit, 1, QColor(0xFFE1E1E1u), QColor(0xFF77C5E5u));
    edit->setText(text);
    SetFloat(edit, content_, geometry);
    return edit;
}

CSettingButton* CSettingBaseUI::AddButton(int x, int y, const QString& text) {
    auto* button = new CSettingButton(content_);
    button->Setup(content_, x, y, text);
    return button;
}

} // namespace tamberlink
