#include "ui/CSettingIP.h"

#include "app/AppCore.h"
#include "ui/CSettingButton.h"
#include "ui/CSwitchButton.h"
#include "ui/Controls.h"

#include <QLabel>
#include <QLineEdit>

namespace tamberlink {

CSettingIP::CSettingIP(QWidget* parent, AppCore& core)
    : CSettingBaseUI(parent, QStringLiteral("自定义IP前缀"))
    , core_(core) {}

void CSettingIP::InitWindow() {
    CSettingBaseUI::InitWindow();
    SetTag(AddButton(125, 150, QStringLiteral("保存")), QStringLiteral("saveButton"));
    AddLabel(QRect(60, 45, 108, 25), QStringLiteral("智能IP拨号开关:"));
    switch_ = new CSwitchButton(Content());
    switch_->Setup(Content(), 170, 45);
    switch_->SetState(core_.Settings().SwitchIP() != 0);
    SetTag(switch_, QStringLiteral("switchButton"));
    HookControl(switch_);
    AddLabel(QRect(50, 85, 118, 30), QStringLiteral("运营商IP拨号前缀:"))->setFont(SkinFont(2));
    edit_ = AddEdit(QRect(170, 85, 120, 30), core_.Settings().IpCode());
}

void CSettingIP::Notify(const Notification& msg) {
    CSettingBaseUI::Notify(msg);
    if (!msg.Is(u"click")) {
        return;
    }
    if (msg.SenderTagIs(u"switchButton")) {
        switch_->Toggle();
        core_.SetSwitchIP(switch_->GetState() ? 1 : 0);
    } else if (msg.SenderTagIs(u"saveButton")) {
        core_.SetIpCode(edit_->text());
        Close();
    }
}

} // namespace tamberlink
