#pragma once

#include "ui/settings/CSettingBaseUI.h"

namespace tamberlink {

// "退出程序": asks whether to leave the program. "退出" asks the main window to exit
// (ExitRequested); "取消" only closes.
class CSettingExit : public CSettingBaseUI {
    Q_OBJECT

public:
    explicit CSettingExit(QWidget* parent);

    QString GetWindowClassName() const override { return QStringLiteral("CSettingPrefix"); }

signals:
    void ExitRequested();

protected:
    void InitContent() override;

private:
    void Leave();
};

} // namespace tamberlink
