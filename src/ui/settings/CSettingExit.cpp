#include "ui/settings/CSettingExit.h"

#include "ui/widgets/Controls.h"

#include <QLabel>

namespace tamberlink {

CSettingExit::CSettingExit(QWidget* parent)
    : CSettingBaseUI(parent, QStringLiteral("退出程序")) {}

void CSettingExit::InitContent() {
    QLabel* text = AddLabel(QRect(0, 65, 358, 30), QStringLiteral("是否退出Tamberlink拨号器？"));
    text->setAlignment(TextAlignment(1));
    connect(AddButton(194, 150, QStringLiteral("退出")), &QAbstractButton::clicked, this,
            &CSettingExit::Leave);
    connect(AddButton(56, 150, QStringLiteral("取消")), &QAbstractButton::clicked, this,
            &CSettingExit::Close);
}

void CSettingExit::Leave() {
    Close();
    emit ExitRequested();
}

} // namespace tamberlink
