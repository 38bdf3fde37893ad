#pragma once

#include "ui/settings/CSettingBaseUI.h"

class QLineEdit;

namespace tamberlink {

class AppCore;
class CSwitchButton;

// IP dialling ("自定义IP前缀"): the switch is stored at each toggle, the carrier prefix
// when "保存" is clicked.
class CSettingIP : public CSettingBaseUI {
    Q_OBJECT

public:
    CSettingIP(QWidget* parent, AppCore& core);

protected:
    void InitContent() override;

private:
    void ToggleSwitch();
    void Save();

    CSwitchButton* switch_ = nullptr;
    QLineEdit* edit_ = nullptr;
};

} // namespace tamberlink
