#pragma once

#include "ui/settings/CSettingBaseUI.h"
#include "ui/shell/SingleInstance.h"

class QLineEdit;

namespace tamberlink {

class AppCore;
class CSwitchButton;

// IP dialling ("自定义IP前缀"): the switch is stored at each toggle, the carrier prefix
// when "保存" is clicked.
class CSettingIP : public CSettingBaseUI, public SingleInstance<CSettingIP> {
    Q_OBJECT

public:
    CSettingIP(QWidget* parent, AppCore& core);

    QString GetWindowClassName() const override { return QStringLiteral("CSettingIP"); }

protected:
    void InitWindow() override;

private:
    void ToggleSwitch();
    void Save();

    AppCore& core_;
    CSwitchButton* switch_ = nullptr;
    QLineEdit* edit_ = nullptr;
};

} // namespace tamberlink
