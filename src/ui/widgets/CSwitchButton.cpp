#include "ui/widgets/CSwitchButton.h"

#include "ui/widgets/Controls.h"

namespace tamberlink {

CSwitchButton::CSwitchButton(QWidget* parent)
    : CSettingButton(parent) {
    setFont(SkinFont(2));
    SetState(false);
}

void CSwitchButton::Setup(QWidget* parent, int x, int y) {
    SetFloat(this, parent, QRect(x, y, 50, 25));
}

void CSwitchButton::SetState(bool on) {
    state_ = on;
    setText(on ? QStringLiteral("打开") : QStringLiteral("关闭"));
    // Off reads as a quieter grey button, so the state shows at a glance.
    SetNormalImage(on ? QStringLiteral("file='btnSettingNomal.png' corner='5,5,5,5'")
                      : QStringLiteral("file='btnSwitchOff.png' corner='5,5,5,5'"));
}

} // namespace tamberlink
