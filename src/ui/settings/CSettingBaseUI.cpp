#include "ui/settings/CSettingBaseUI.h"

#include "ui/widgets/CButtonUI.h"
#include "ui/widgets/CSettingButton.h"
#include "ui/widgets/Controls.h"

#include <QLabel>
#include <QLineEdit>

namespace tamberlink {

CSettingBaseUI::CSettingBaseUI(QWidget* parent, const QString& title, Qt::WindowFlags flags)
    : WindowImplBase(parent, flags)
    , title_(title) {}

QStringList CSettingBaseUI::RequiredControls() const {
    return {QStringLiteral("dlgTitle"), QStringLiteral("labelTitle"), QStringLiteral("btnClosed"),
            QStringLiteral("contentContainer")};
}

void CSettingBaseUI::InitWindow() {
    SetBkImage(FindControl(QStringLiteral("dlgTitle")), QStringLiteral("bgHead.png"));
    SetControlText(FindControl(QStringLiteral("labelTitle")), title_);
    if (auto* close = FindControl<CButtonUI>(QStringLiteral("btnClosed"))) {
        close->SetNormalImage(QStringLiteral("btnDlgClosedNomal.png"));
        close->SetHotImage(QStringLiteral("btnDlgClosedHot.png"));
        close->SetPushedImage(QStringLiteral("btnDlgClosedPush.png"));
    }
    content_ = FindControl(QStringLiteral("contentContainer"));
    content_->setFixedSize(358, 217);
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
