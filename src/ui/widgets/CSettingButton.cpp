#include "ui/widgets/CSettingButton.h"

#include "ui/widgets/Controls.h"

namespace tamberlink {

CSettingButton::CSettingButton(QWidget* parent)
    : CButtonUI(parent) {
    // Corners kept as drawn, so the same pictures serve the smaller switch button.
    SetNormalImage(QStringLiteral("file='btnSettingNomal.png' corner='5,5,5,5'"));
    SetHotImage(QStringLiteral("file='btnSettingHot.png' corner='5,5,5,5'"));
    SetPushedImage(QStringLiteral("file='btnSettingPush.png' corner='5,5,5,5'"));
    SetTextColor(Qt::white);
    setFont(SkinFont(1));
}

void CSettingButton::Setup(QWidget* parent, int x, int y, const QString& text) {
    setText(text);
    SetFloat(this, parent, QRect(x, y, 108, 37));
}

} // namespace tamberlink
