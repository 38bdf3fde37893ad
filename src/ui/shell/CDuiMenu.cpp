#include "ui/shell/CDuiMenu.h"

#include "app/AppCore.h"
#include "ui/contacts/CContactContainer.h"
#include "ui/settings/CSettingPrefix.h"
#include "ui/settings/SettingWindows.h"
#include "ui/shell/CMainWndUI.h"
#include "ui/widgets/Controls.h"

namespace tamberlink {

CDuiMenu::CDuiMenu(CMainWndUI& main)
    : WindowImplBase(&main, Qt::Popup | Qt::FramelessWindowHint)
    , main_(main) {}

void CDuiMenu::InitWindow() {
    const SettingsStore& settings = main_.Core().Settings();
    popOn_ = settings.PopOff();
    autoRecordingOn_ = settings.Auto();
    autostartOn_ = main_.IsAutostartOn();
    ShowSwitches();

    // The switches stay open when toggled.
    connect(ui_.menu_pop, &QAbstractButton::clicked, this, &CDuiMenu::TogglePopOff);
    connect(ui_.menu_auto_rec, &QAbstractButton::clicked, this, &CDuiMenu::ToggleAutoRecording);
    connect(ui_.menu_off, &QAbstractButton::clicked, this, &CDuiMenu::ToggleScreenOff);
    connect(ui_.menu_autostart, &QAbstractButton::clicked, this, &CDuiMenu::ToggleAutostart);

    // An item closes the menu, then opens its window.
    const auto item = [this](QAbstractButton* button, auto open) {
        connect(button, &QAbstractButton::clicked, this, [this, open] {
            Close();
            open();
        });
    };
    SettingWindows* windows = &main_.Settings();
    item(ui_.menu_stats, [windows] { windows->OpenStats(); });
    item(ui_.menu_prefix, [windows] { windows->OpenPrefix(CSettingPrefix::kExtension); });
    item(ui_.menu_areacode, [windows] { windows->OpenPrefix(CSettingPrefix::kAreaCode); });
    item(ui_.menu_ip, [windows] { windows->OpenIP(); });
    item(ui_.menu_proxy, [windows] { windows->OpenProxy(); });
    item(ui_.menu_address, [windows] { windows->OpenQuery(); });
    item(ui_.menu_origins, [windows] { windows->OpenOrigins(); });
    item(ui_.menu_nuisance, [windows] { windows->OpenNuisance(); });
    item(ui_.menu_do_not_call, [windows] { windows->OpenDoNotCall(); });
    item(ui_.menu_webhooks, [windows] { windows->OpenWebhooks(); });
    item(ui_.menu_contact_sync, [windows] { windows->OpenContactSync(); });
    CContactContainer* contacts = main_.ContactPage();
    item(ui_.menu_import_contacts, [contacts] { contacts->ChooseImportFile(); });
    item(ui_.menu_update, [windows] { windows->OpenUpdate(); });
    item(ui_.menu_feedback, [windows] { windows->OpenFeedback(); });
    item(ui_.menu_upgrade, [windows] { windows->OpenGrade(); });
    CMainWndUI* main = &main_;
    item(ui_.menu_about, [main] { main->OpenAboutPage(); });
    item(ui_.menu_exit, [main] { main->OpenExitConfirmation(); });
}

void CDuiMenu::ShowSwitches() {
    const bool screenOff = main_.Core().Settings().ScreenOff();
    SetControlText(ui_.menu_pop,
                   popOn_ ? QStringLiteral("来电弹屏: 开") : QStringLiteral("来电弹屏: 关"));
    SetControlText(ui_.menu_off, screenOff ? QStringLiteral("屏幕取词: 开(Ctrl+F10)")
                                           : QStringLiteral("屏幕取词: 关(Ctrl+F10)"));
    SetControlText(ui_.menu_auto_rec, autoRecordingOn_ ? QStringLiteral("自动录音：开")
                                                       : QStringLiteral("自动录音：关"));
    SetControlText(ui_.menu_autostart,
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

} // namespace tamberlink
