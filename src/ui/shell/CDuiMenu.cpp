#include "ui/shell/CDuiMenu.h"

#include "app/AppCore.h"
#include "ui/settings/CSettingPrefix.h"
#include "ui/shell/CMainWndUI.h"
#include "ui/widgets/Controls.h"
#include "ui_menu_main.h"

namespace tamberlink {

CDuiMenu::~CDuiMenu() = default;

QWidget* CDuiMenu::BuildForm() {
    ui_ = std::make_unique<Ui::menu_main>();
    return SetUpForm(*ui_);
}

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
    connect(ui_->menu_pop, &QAbstractButton::clicked, this, &CDuiMenu::TogglePopOff);
    connect(ui_->menu_auto_rec, &QAbstractButton::clicked, this, &CDuiMenu::ToggleAutoRecording);
    connect(ui_->menu_off, &QAbstractButton::clicked, this, &CDuiMenu::ToggleScreenOff);
    connect(ui_->menu_autostart, &QAbstractButton::clicked, this, &CDuiMenu::ToggleAutostart);

    connect(ui_->menu_prefix, &QAbstractButton::clicked, this, [this] {
        Close();
        main_.OpenSettingPrefix(CSettingPrefix::kExtension);
    });
    connect(ui_->menu_areacode, &QAbstractButton::clicked, this, [this] {
        Close();
        main_.OpenSettingPrefix(CSettingPrefix::kAreaCode);
    });
    connect(ui_->menu_ip, &QAbstractButton::clicked, this,
                   [this] { CloseAndOpen(&CMainWndUI::OpenSettingIP); });
    connect(ui_->menu_proxy, &QAbstractButton::clicked, this,
                   [this] { CloseAndOpen(&CMainWndUI::OpenSettingProxy); });
    connect(ui_->menu_address, &QAbstractButton::clicked, this,
                   [this] { CloseAndOpen(&CMainWndUI::OpenSettingQuery); });
    connect(ui_->menu_origins, &QAbstractButton::clicked, this,
                   [this] { CloseAndOpen(&CMainWndUI::OpenSettingOrigins); });
    connect(ui_->menu_about, &QAbstractButton::clicked, this,
                   [this] { CloseAndOpen(&CMainWndUI::OpenAboutPage); });
    connect(ui_->menu_exit, &QAbstractButton::clicked, this,
                   [this] { CloseAndOpen(&CMainWndUI::OpenExitConfirmation); });
    connect(ui_->menu_update, &QAbstractButton::clicked, this,
                   [this] { CloseAndOpen(&CMainWndUI::OpenSettingUpdate); });
    connect(ui_->menu_feedback, &QAbstractButton::clicked, this,
                   [this] { CloseAndOpen(&CMainWndUI::OpenSettingFeedback); });
    connect(ui_->menu_upgrade, &QAbstractButton::clicked, this,
                   [this] { CloseAndOpen(&CMainWndUI::OpenSettingGrade); });
}

void CDuiMenu::ShowSwitches() {
    const bool screenOff = main_.Core().Settings().ScreenOff();
    SetControlText(ui_->menu_pop,
                   popOn_ ? QStringLiteral("来电弹屏: 开") : QStringLiteral("来电弹屏: 关"));
    SetControlText(ui_->menu_off,
                   screenOff ? QStringLiteral("屏幕取词: 开(Ctrl+F10)")
                             : QStringLiteral("屏幕取词: 关(Ctrl+F10)"));
    SetControlText(ui_->menu_auto_rec,
                   autoRecordingOn_ ? QStringLiteral("自动录音：开")
                                    : QStringLiteral("自动录音：关"));
    SetControlText(ui_->menu_autostart,
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
