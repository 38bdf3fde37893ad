#include "ui/settings/SettingWindows.h"

#include "ui/calllist/CDoNotCallList.h"
#include "ui/contacts/CContactSync.h"
#include "ui/nuisance/CSettingNuisance.h"
#include "ui/settings/CSettingFeedback.h"
#include "ui/settings/CSettingGrade.h"
#include "ui/settings/CSettingIP.h"
#include "ui/settings/CSettingOrigins.h"
#include "ui/settings/CSettingPrefix.h"
#include "ui/settings/CSettingProxy.h"
#include "ui/settings/CSettingQuery.h"
#include "ui/settings/CSettingUpdate.h"
#include "ui/settings/CSettingWebhooks.h"
#include "ui/stats/CStatsWindow.h"

namespace tamberlink {

SettingWindows::SettingWindows(QWidget* host, AppCore& core)
    : QObject(host)
    , host_(host)
    , core_(core) {}

template <class T, class... Args>
T* SettingWindows::Open(QPointer<T>& tracked, const QString& title, Args&&... args) {
    if (!stopped_ && IfOpen(tracked) == nullptr) {
        tracked = OpenWindow<T>(host_, title, T::kPosition, core_, std::forward<Args>(args)...);
    }
    return IfOpen(tracked);
}

CSettingPrefix* SettingWindows::OpenPrefix(int mode) {
    return Open(prefix_, CSettingPrefix::TitleFor(mode), mode);
}

CSettingIP* SettingWindows::OpenIP() {
    return Open(ip_, QStringLiteral("IP设置"));
}

CSettingProxy* SettingWindows::OpenProxy() {
    return Open(proxy_, QStringLiteral("代理设置"));
}

CSettingQuery* SettingWindows::OpenQuery() {
    return Open(query_, QStringLiteral("归属地查询"));
}

CSettingOrigins* SettingWindows::OpenOrigins() {
    return Open(origins_, QStringLiteral("网页访问权限"));
}

CDoNotCallList* SettingWindows::OpenDoNotCall() {
    return Open(doNotCall_, QStringLiteral("免打扰名单"));
}

CSettingNuisance* SettingWindows::OpenNuisance() {
    return Open(nuisance_, QStringLiteral("骚扰拦截"));
}

CStatsWindow* SettingWindows::OpenStats() {
    return Open(stats_, QStringLiteral("统计"));
}

CSettingWebhooks* SettingWindows::OpenWebhooks() {
    return Open(webhooks_, QStringLiteral("Webhooks"));
}

CContactSync* SettingWindows::OpenContactSync() {
    return Open(contactSync_, QStringLiteral("通讯录同步"));
}

CSettingUpdate* SettingWindows::OpenUpdate() {
    return Open(update_, QStringLiteral("版本更新"));
}

CSettingFeedback* SettingWindows::OpenFeedback() {
    return Open(feedback_, QStringLiteral("LoginDialog"));
}

CSettingGrade* SettingWindows::OpenGrade() {
    return Open(grade_, QStringLiteral("固件升级"));
}

void SettingWindows::ShowVersion(bool newer, const std::string& num, const std::string& url) {
    if (CSettingUpdate* dialog = OpenUpdate()) {
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
