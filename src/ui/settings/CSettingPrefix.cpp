#include "ui/settings/CSettingPrefix.h"

#include "app/AppCore.h"
#include "ui/widgets/Controls.h"

#include <QLabel>
#include <QLineEdit>

namespace tamberlink {

CSettingPrefix::CSettingPrefix(QWidget* parent, AppCore& core, int mode)
    : CSettingBaseUI(parent, TitleFor(mode), core)
    , mode_(mode) {}

QString CSettingPrefix::TitleFor(int mode) {
    return mode == kAreaCode ? QStringLiteral("本地区号设置") : QStringLiteral("分机号设置");
}

void CSettingPrefix::InitContent() {
    // The smaller font keeps the six characters of the area-code title inside 73 pixels.
    AddLabel(QRect(45, 42, 73, 34), Title())->setFont(SkinFont(2));
    const QString current =
        mode_ == kAreaCode ? Core().Settings().AreaCode() : Core().Settings().FenjiCode();
    edit_ = AddEdit(QRect(126, 42, 180, 34), current);
    connect(AddButton(125, 150, QStringLiteral("确定")), &QAbstractButton::clicked, this,
            &CSettingPrefix::Save);
}

void CSettingPrefix::Save() {
    // Passed as typed: the area-code setter itself refuses codes of 6 or more characters.
    if (mode_ == kAreaCode) {
        Core().SetAreaCode(edit_->text());
    } else {
        Core().SetFenjiCode(edit_->text());
    }
    Close();
}

} // namespace tamberlink
