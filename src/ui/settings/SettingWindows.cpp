#include "ui/settings/SettingWindows.h"

#include "ui/settings/CSettingFeedback.h"
#include "ui/settings/CSettingGrade.h"
#include "ui/settings/CSettingIP.h"
#include "ui/settings/CSettingOrigins.h"
#include "ui/settings/CSettingPrefix.h"
#include "ui/settings/CSettingProxy.h"
#include "ui/settings/CSettingQuery.h"
#include "ui/settings/CSettingUpdate.h"

namespace tamberlink {

SettingWindows::SettingWindows(QWidget* host, AppCore& core)
    : QObject(host)
    , host_(host)
    , core_(core) {}

template <class T, class... Args>
void SettingWindows::Open(QPointer<T>& tracked, const QString& title, Args&&... args) {
    if (!stopped_ && IfOpen(tracked) == nullptr) {
        tracked = OpenWindow<T>(host_, title, CSettingBaseUI::kPosition, core_,
                                std::forward<Args>(args)...);
    }
}

void SettingWindows::OpenPrefix(int mode) {
    Open(prefix_, CSettingPrefix::TitleFor(mode), mode);
}

void SettingWindows::OpenIP() {
    Open(ip_, QStringLiteral("IP设置"));
}

void SettingWindows::OpenProxy() {
    Open(proxy_, QStringLiteral("代理设置"));
}

void SettingWindows::OpenQuery() {
    Open(query_, QStringLiteral("归属地查询"));
}

void SettingWindows::OpenOrigins() {
    Open(origins_, QStringLiteral("网页访问权限"));
}

void SettingWindows::OpenUpdate() {
    Open(update_, QStringLiteral("版本更新"));
}

void SettingWindows::OpenFeedback() {
    Open(feedback_, QStringLiteral("LoginDialog"));
}

void SettingWindows::OpenGrade() {
    Open(grade_, QStringLiteral("固件升级"));
}

void SettingWindows::ShowVersion(bool newer, const std::string& num, const std::string& url) {
    OpenUpdate();
    if (CSettingUpdate* dialog = IfOpen(update_); dialog != nullptr && !stopped_) {
        dialog->ShowResult(newer, QString::fromStdString(num), QString::fromStdString(url));
        dialog->raise();
    }
}

void SettingWindows::CloseFeedback() {
    if (CSettingFeedback* dialog = IfOpen(feedback_)) {
        dialog->Close();
    }
}

bool SettingWindows::ShowUpgradeStatus(const QString& text) {
    CSettingGrade* window = IfOpen(grade_);
    if (window != nullptr) {
        window->SetStatus(text);
    }
    return window != nullptr;
}

} // namespace tamberlink
