#pragma once

#include "ui/WindowImplBase.h"

namespace tamberlink {

class CMainWndUI;

// The main menu, made anew at each click of "btnMenu" and closed when the user clicks
// elsewhere. The three switches (incoming-call popup, screen word capture, automatic
// recording) show their state and stay open when toggled; the other items open their
// dialog and close the menu.
class CDuiMenu : public WindowImplBase {
    Q_OBJECT

public:
    explicit CDuiMenu(CMainWndUI& main);

    QString GetWindowClassName() const override { return QStringLiteral("CDuiMenu"); }
    QString GetSkinFile() const override { return QStringLiteral("meun.ui"); }

protected:
    QStringList RequiredControls() const override;
    void InitWindow() override;
    void Notify(const Notification& msg) override;

private:
    // Shows a switch item's state: its text and its tag (1 on, 0 off).
    void ShowSwitch(const QString& item, bool on);
    bool SwitchIsOn(const QString& item) const;

    CMainWndUI& main_;
};

} // namespace tamberlink
