#pragma once

#include <QObject>
#include <QPointer>

class QWidget;

namespace tamberlink {

class AccountPanel;
class AppCore;
class CEditSelfInfo;
class CLoginRegUI;
class CSettingServer;

// The account's windows over the main window: the login window with its registration and
// password-reset panels, the cloud server's address and the profile, opened from the
// header's account panel, which shows who is logged in. Each is open at most once; once the
// program is closing nothing opens (nullptr).
class AccountWindows : public QObject {
    Q_OBJECT

public:
    AccountWindows(QWidget* host, AppCore& core, AccountPanel& panel);

    // The login window ("登 录", "注 册") on a panel (CLoginRegUI::Panel), made when none is
    // open. On the login and registration panels it fetches that form's picture code unless
    // `fetchPicture` is false. Nullptr without the cloud part.
    CLoginRegUI* OpenLogin(const QString& title, int panel, bool fetchPicture = true);
    // "服务器" of the logged-out panel: the cloud service's address; the open one when there is
    // one.
    CSettingServer* OpenServerSetting();
    // "编辑": the signed-in user's name and company.
    CEditSelfInfo* OpenProfile();
    void LogOut();

    // What the account flow reports.
    void ShowCodePicture(int form, const QString& path);
    void ShowResult(int result);
    void ShowLoggedIn(const QString& account, const QString& name, const QString& company);
    void ShowLoggedOut();

    void Stop() { stopped_ = true; }

private:
    QWidget* host_;
    AppCore& core_;
    AccountPanel& panel_;
    QPointer<CLoginRegUI> login_;
    QPointer<CSettingServer> server_;
    QPointer<CEditSelfInfo> profile_;
    bool stopped_ = false;
};

} // namespace tamberlink
