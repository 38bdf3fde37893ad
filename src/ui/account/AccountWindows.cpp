#include "ui/account/AccountWindows.h"

#include "app/AppCore.h"
#include "ui/account/AccountPanel.h"
#include "ui/account/CEditSelfInfo.h"
#include "ui/account/CLoginRegUI.h"
#include "ui/settings/CSettingServer.h"

namespace tamberlink {

AccountWindows::AccountWindows(QWidget* host, AppCore& core, AccountPanel& panel)
    : QObject(host)
    , host_(host)
    , core_(core)
    , panel_(panel) {
    connect(&panel_, &AccountPanel::LoginRequested, this,
            [this] { OpenLogin(QStringLiteral("登录"), CLoginRegUI::kLoginPanel); });
    connect(&panel_, &AccountPanel::RegisterRequested, this,
            [this] { OpenLogin(QStringLiteral("注册"), CLoginRegUI::kRegisterPanel); });
    connect(&panel_, &AccountPanel::ServerRequested, this, &AccountWindows::OpenServerSetting);
    connect(&panel_, &AccountPanel::ProfileRequested, this, &AccountWindows::OpenProfile);
    connect(&panel_, &AccountPanel::LogoutRequested, this, &AccountWindows::LogOut);
}

CLoginRegUI* AccountWindows::OpenLogin(const QString& title, int panel, bool fetchPicture) {
    CloudFlows* cloud = core_.Cloud();
    if (stopped_ || cloud == nullptr) {
        return nullptr;
    }
    if (IfOpen(login_) == nullptr) {
        login_ = OpenWindow<CLoginRegUI>(host_, title, CLoginRegUI::kPosition, core_);
    }
    login_->SetTitle(title);
    login_->ShowPanel(panel);
    login_->raise();
    if (fetchPicture &&
        (panel == CLoginRegUI::kLoginPanel || panel == CLoginRegUI::kRegisterPanel)) {
        cloud->Account().RequestCodePicture(panel == CLoginRegUI::kLoginPanel
                                                ? AccountFlow::kLoginForm
                                                : AccountFlow::kRegisterForm);
    }
    return login_;
}

CSettingServer* AccountWindows::OpenServerSetting() {
    if (stopped_) {
        return nullptr;
    }
    if (IfOpen(server_) == nullptr) {
        server_ = OpenWindow<CSettingServer>(host_, QStringLiteral("服务器设置"),
                                             CSettingServer::kPosition, core_);
    }
    return server_;
}

CEditSelfInfo* AccountWindows::OpenProfile() {
    if (stopped_ || IfOpen(profile_) != nullptr) {
        return nullptr;
    }
    profile_ = OpenWindow<CEditSelfInfo>(host_, QStringLiteral("个人资料"),
                                         CEditSelfInfo::kPosition, core_);
    return profile_;
}

void AccountWindows::LogOut() {
    if (stopped_) {
        return;
    }
    if (CloudFlows* cloud = core_.Cloud()) {
        cloud->Account().LogOut();
    } else {
        ShowLoggedOut();
    }
}

void AccountWindows::ShowCodePicture(int form, const QString& path) {
    // A picture that arrives after the window was closed is not worth opening it again.
    if (CLoginRegUI* login = IfOpen(login_); login != nullptr && !stopped_) {
        login->SetCodePicture(form, path);
    }
}

void AccountWindows::ShowResult(int result) {
    if (stopped_) {
        return;
    }
    CLoginRegUI* login = IfOpen(login_);
    if (result == AccountFlow::kLoggedIn) {
        // The account panel shows the login; a window closed meanwhile stays closed.
        if (login != nullptr) {
            login->ShowAccountResult(result);
        }
        return;
    }
    if (login == nullptr) {
        // After a registration the flow fetches the login picture itself.
        const int panel = result == AccountFlow::kResetCodeSent ? CLoginRegUI::kNewPasswordPanel
                                                                : CLoginRegUI::kLoginPanel;
        login = OpenLogin(QStringLiteral("登录"), panel, result != AccountFlow::kRegistered);
    }
    if (login != nullptr) {
        login->ShowAccountResult(result);
    }
}

void AccountWindows::ShowLoggedIn(const QString& account, const QString& name,
                                  const QString& company) {
    if (!stopped_) {
        panel_.ShowLoggedIn(account, name, company);
    }
}

void AccountWindows::ShowLoggedOut() {
    if (!stopped_) {
        panel_.ShowLoggedOut();
    }
}

} // namespace tamberlink
