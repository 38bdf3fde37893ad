#include "ui/CDuiMenu.h"

#include "app/AppCore.h"
#include "ui/CMainWndUI.h"
#include "ui/CSettingPrefix.h"
#include "ui/Controls.h"

namespace tamberlink {

namespace {

struct SwitchTexts {
    const char16_t* item;
    const char16_t* on;
    const char16_t* off;
};

constexpr SwitchTexts kSwitches[] = {
    {u"menu_pop", u"来电弹屏: 开", u"来电弹屏: 关"},
    {u"menu_off", u"屏幕取词: 开(Ctrl+F10)", u"屏幕取词: 关(Ctrl+F10)"},
    {u"menu_auto_rec", u"自动录音：开", u"自动录音：关"},
};

} // namespace

CDuiMenu::CDuiMenu(CMainWndUI& main)
    : WindowImplBase(&main, Qt::Popup | Qt::FramelessWindowHint)
    , main_(main) {}

QStringList CDuiMenu::RequiredControls() const {
    return {QStringLiteral("menu_prefix"),   QStringLiteral("menu_areacode"),
            QStringLiteral("menu_pop"),      QStringLiteral("menu_ip"),
            QStringLiteral("menu_proxy"),    QStringLiteral("menu_address"),
            QStringLiteral("menu_feedback"), QStringLiteral("menu_about"),
            QStringLiteral("menu_off"),      QStringLiteral("menu_auto_rec"),
            QStringLiteral("menu_update"),   QStringLiteral("menu_upgrade"),
            QStringLiteral("menu_exit")};
}

void CDuiMenu::InitWindow() {
    const SettingsStore& settings = main_.Core().Settings();
    ShowSwitch(QStringLiteral("menu_pop"), settings.PopOff() != 0);
    ShowSwitch(QStringLiteral("menu_off"), settings.ScreenOff() == 1);
    ShowSwitch(QStringLiteral("menu_auto_rec"), settings.Auto() != 0);
}

void CDuiMenu::ShowSwitch(const QString& item, bool on) {
    for (const SwitchTexts& texts : kSwitches) {
        if (item == QStringView(texts.item)) {
            QWidget* control = FindControl(item);
            SetControlText(control, QString::fromUtf16(on ? texts.on : texts.off));
            SetTag(control, on ? 1 : 0);
        }
    }
}

bool CDuiMenu::SwitchIsOn(const QString& item) const {
    return GetTag(FindControl(item)).toInt() == 1;
}

void CDuiMenu::Notify(const Notification& msg) {
    if (!msg.Is(u"click")) {
        return;
    }
    const QString item = msg.SenderName().toLower();
    AppCore& core = main_.Core();
    if (item == QLatin1String("menu_pop")) {
        const bool on = !SwitchIsOn(item);
        ShowSwitch(item, on);
        core.SetPopOff(on ? 1 : 0);
        return;
    }
    if (item == QLatin1String("menu_auto_rec")) {
        const bool on = !SwitchIsOn(item);
        ShowSwitch(item, on);
        core.SetAuto(false, on);
        return;
    }
    if (item == QLatin1String("menu_off")) {
        // A toggle within the quiet time after the last one is refused; the item keeps
        // showing the state that is in force.
        main_.ToggleScreenOff();
        ShowSwitch(item, core.Settings().ScreenOff() == 1);
        return;
    }
    if (!item.startsWith(QLatin1String("menu_"))) {
        return;
    }
    Close();
    if (item == QLatin1String("menu_prefix")) {
        main_.OpenSettingPrefix(CSettingPrefix::kExtension);
    } else if (item == QLatin1String("menu_areacode")) {
        main_.OpenSettingPrefix(CSettingPrefix::kAreaCode);
    } else if (item == QLatin1String("menu_ip")) {
        main_.OpenSettingIP();
    } else if (item == QLatin1String("menu_proxy")) {
        main_.OpenSettingProxy();
    } else if (item == QLatin1String("menu_about")) {
        main_.OpenAboutPage();
    } else if (item == QLatin1String("menu_exit")) {
        main_.OpenExitConfirmation();
    }
}

} // namespace tamberlink
