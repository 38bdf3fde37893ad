#pragma once

#include "ui/widgets/CSettingButton.h"

namespace tamberlink {

// An on/off button of the settings dialogs: like CSettingButton but 50 x 25, showing
// "打开" when on and "关闭" when off. It starts off.
class CSwitchButton : public CSettingButton {
    Q_OBJECT

public:
    explicit CSwitchButton(QWidget* parent = nullptr);

    void Setup(QWidget* parent, int x, int y);
    void SetState(bool on);
    void Toggle() { SetState(!state_); }
    bool GetState() const { return state_; }

private:
    bool state_ = false;
};

} // namespace tamberlink
