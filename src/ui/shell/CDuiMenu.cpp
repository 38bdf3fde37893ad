#include "ui/shell/CDuiMenu.h"

#include "app/AppCore.h"
#include "ui/settings/CSettingPrefix.h"
#include "ui/shell/CMainWndUI.h"
#include "ui/widgets/Controls.h"

namespace tamberlink {

CDuiMenu::CDuiMenu(CMainWndUI& main)
    : WindowImplBase(&main, Qt::Popup | Qt::FramelessWindowHint)
    , main_(main) {}

QStringList CDuiMenu::RequiredControls() const {
    return {QStringLiteral("menu_prefix"),   QStringLiteral("menu_areacode"),
            QStringLiteral("menu_pop"),      QStringLiteral("menu_ip"),
            QStringLiteral("menu_proxy"),    QStringLiteral("menu_origins"),
            QStringLiteral("menu_address"),  QStringLiteral("menu_feedback"),
            QStringLiteral("menu_about"),    QStringLiteral("menu_off"),
            QStringLiteral("menu_auto_rec"), QStringLiteral("menu_update"),
            QStringLiteral("menu_upgrade"),  QStringLiteral("menu_exit")};
}

void CDuiMenu::InitWindow() {
    const SettingsStore& settings = main_.Core().Settings();
    popOn_ = settings.PopOff();
    autoRecordingOn_ = settings.Auto();
    autostartOn_ = main_.IsAutostartOn();
    ShowSwitches();

    // The switches stay open when toggled.
    ConnectClicked(QStringLiteral("menu_pop"), this, &CDuiMenu::TogglePopOff);
    ConnectClicked(QStringLiteral("menu_auto_rec"), this, &CDuiMenu::ToggleAutoRecording);
    ConnectClicked(QStringLiteral("menu_off"), this, &CDuiMenu::ToggleScreenOff);
    ConnectClicked(QStringLiteral("menu_autostart"), this, &CDuiMenu::ToggleAutostart);

    ConnectClicked(QStringLiteral("menu_prefix"), this, [this] {
        Close();
        main_.OpenSettingPrefix(CSettingPrefix::kExtension);
    });
    ConnectClicked(QStringLiteral("menu_areacode"), this, [this] {
        Close();
        main_.OpenSettingPrefix(CSettingPrefix::kAreaCode);
    });
    ConnectClicked(QStringLiteral("menu_ip"), this,
                   [this] { CloseAndOpen(&CMainWndUI::OpenSettingIP); });
    ConnectClicked(QStringLiteral("menu_proxy"), this,
                   [this] { CloseAndOpen(&CMainWndUI::OpenSettingProxy); });
    ConnectClicked(QStringLiteral("menu_address"), this,
                   [this] { CloseAndOpen(&CMainWndUI::OpenSettingQuery); });
    ConnectClicked(QStringLiteral("menu_origins"), this,
                   [this] { CloseAndOpen(&CMainWndUI::OpenSettingOrigins); });
    ConnectClicked(QStringLiteral("menu_about"), this,
                   [this] { CloseAndOpen(&CMainWndUI::OpenAboutPage); });
    ConnectClicked(QStringLiteral("menu_exit"), this,
                   [this] { CloseAndOpen(&CMainWndUI::OpenExitConfirmation); });
    ConnectClicked(QStringLiteral("menu_update"), this,
                   [this] { CloseAndOpen(&CMainWndUI::OpenSettingUpdate); });
    ConnectClicked(QStringLiteral("menu_feedback"), this,
                   [this] { CloseAndOpen(&CMainWndUI::OpenSettingFeedback); });
    ConnectClicked(QStringLiteral("menu_upgrade"), this,
                   [this] { CloseAndOpen(&CMainWndUI::OpenSettingGrade); });
}

void CDuiMenu::ShowSwitches() {
    const bool screenOff = main_.Core().Settings().ScreenOff();
    SetControlText(FindControl(QStringLiteral("menu_pop")),
                   popOn_ ? QStringLiteral("来电弹屏: 开") : QStringLiteral("来电弹屏: 关"));
    SetControlText(FindControl(QStringLiteral("menu_off")),
                   screenOff ? QStringLiteral("屏幕取词: 开(Ctrl+F10)")
                             : QStringLiteral("屏幕取词: 关(Ctrl+F10)"));
    SetControlText(FindControl(QStringLiteral("menu_auto_rec")),
                   autoRecordingOn_ ? QStringLiteral("自动录音：开")
                                    : QStringLiteral("自动录音：关"));
    SetControlText(FindControl(QStringLiteral("menu_autostart")),
                   autostartOn_ ? QStringLiteral("开机启动: 开") : QStringLiteral("开机启动: 关"));
}

void CDuiMenu::ToggleAutostart() {
    // The item shows what the desktop's folder holds, whether or not the change was taken.
    autostartOn_ = main_.SetAutostart(!autostartOn_);
    ShowSwitches();
}

void CDuiMenu::TogglePopOff() {
    popOn_ = !popOn_;
    ShowSwitches();
    main_.Core().SetPopOff(popOn_);
}

void CDuiMenu::ToggleAutoRecording() {
    autoRecordingOn_ = !autoRecordingOn_;
    ShowSwitches();
    main_.Core().SetAuto(false, autoRecordingOn_);
}

void CDuiMenu::ToggleScreenOff() {
    // A toggle within the quiet time after the last one is refused; the item keeps showing
    // the state that is in force.
    main_.ToggleScreenOff();
    ShowSwitches();
}

void CDuiMenu::CloseAndOpen(void (CMainWndUI::*open)()) {
    Close();
    (main_.*open)();
}

} // namespace tamberlink
