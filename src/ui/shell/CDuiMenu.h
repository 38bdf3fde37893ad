#pragma once

#include "ui/widgets/WindowImplBase.h"
#include "ui_menu_main.h"

namespace tamberlink {

class CMainWndUI;

// The main menu, made anew at each click of "btnMenu" and closed when the user clicks
// elsewhere. The four switches (incoming-call popup, screen word capture, automatic
// recording, start at login) show their state and stay open when toggled; the other items open
// their dialog and close the menu.
class CDuiMenu : public WindowImplBase {
    Q_OBJECT

public:
    explicit CDuiMenu(CMainWndUI& main);

    QWidget* BuildForm() override { return SetUpForm(ui_); }

protected:
    void InitWindow() override;

private:
    // Each switch item shows its state in its text.
    void ShowSwitches();
    void TogglePopOff();
    void ToggleAutoRecording();
    void ToggleScreenOff();
    void ToggleAutostart();

    CMainWndUI& main_;
    bool popOn_ = false;
    bool autoRecordingOn_ = false;
    bool autostartOn_ = false;
    Ui::menu_main ui_;
};

} // namespace tamberlink
