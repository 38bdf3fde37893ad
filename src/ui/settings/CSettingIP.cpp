#include "ui/settings/CSettingIP.h"

#include "app/AppCore.h"
#include "ui/widgets/CSettingButton.h"
#include "ui/widgets/CSwitchButton.h"
#include "ui/widgets/Controls.h"

#include <QLabel>
#include <QLineEdit>

namespace tamberlink {

CSettingIP::CSettingIP(QWidget* parent, AppCore& core)
    : CSettingBaseUI(parent, QStringLiteral("自定义IP前缀"), core) {}

void CSettingIP::InitContent() {
    connect(AddButton(125, 150, QStringLiteral("保存")), &QAbstractButton::clicked, this,
            &CSettingIP::Save);
    AddLabel(QRect(60, 45, 108, 25), QStringLiteral("智能IP拨号开关:"));
    switch_ = new CSwitchButton(Content());
    switch_->Setup(Content(), 170, 45);
    switch_->SetState(Core().Settings().SwitchIP());
    connect(switch_, &QAbstractButton::clicked, this, &CSettingIP::ToggleSwitch);
    AddLabel(QRect(50, 85, 118, 30), QStringLiteral("运营商IP拨号前缀:"))->setFont(SkinFont(2));
    edit_ = AddEdit(QRect(170, 85, 120, 30), Core().Settings().IpCode());
}

// The switch is stored at each toggle, whether or not the dialog is saved.
void CSettingIP::ToggleSwitch() {
    switch_->Toggle();
    Core().SetSwitchIP(switch_->GetState());
}

void CSettingIP::Save() {
    Core().SetIpCode(edit_->text());
    Close();
}

} // namespace tamberlink
