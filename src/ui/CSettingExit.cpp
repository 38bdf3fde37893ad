#include "ui/CSettingExit.h"

#include "ui/Controls.h"

#include <QLabel>

namespace tamberlink {

CSettingExit::CSettingExit(QWidget* parent)
    : CSettingBaseUI(parent, QStringLiteral("退出程序")) {}

void CSettingExit::InitWindow() {
    CSettingBaseUI::InitWindow();
    QLabel* text = AddLabel(QRect(0, 65, 358, 30), QStringLiteral("是否退出Tamberlink拨号器？"));
    text->setAlignment(TextAlignment(1));
    AddButton(194, 150, QStringLiteral("退出"));
    AddButton(56, 150, QStringLiteral("取消"));
}

void CSettingExit::Notify(const Notification& msg) {
    CSettingBaseUI::Notify(msg);
    if (!msg.Is(u"click")) {
        return;
    }
    if (msg.SenderTextIs(u"退出")) {
        Close();
        emit ExitRequested();
    } else if (msg.SenderTextIs(u"取消")) {
        Close();
    }
}

} // namespace tamberlink
