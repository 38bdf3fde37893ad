#pragma once

#include <QWidget>

class QLabel;

namespace tamberlink {

// The account part of the main window's header. Logged out, "PanelLogout" offers login,
// registration and the cloud server's address; logged in, "PanelLogin" shows the account
// with its name and company, the profile and logout buttons. Starts logged out.
class AccountPanel : public QWidget {
    Q_OBJECT

public:
    // A panel filling `host`.
    explicit AccountPanel(QWidget* host);

    void ShowLoggedIn(const QString& account, const QString& name, const QString& company);
    void ShowLoggedOut();

signals:
    void LoginRequested();
    void RegisterRequested();
    void ServerRequested();
    void ProfileRequested();
    void LogoutRequested();

private:
    QWidget* AddHalf(const QString& name);
    QLabel* AddLabel(QWidget* half, const QString& name);
    void AddButton(QWidget* half, const QString& text, void (AccountPanel::*signal)());

    QWidget* loggedOut_ = nullptr;
    QWidget* loggedIn_ = nullptr;
    QLabel* name_ = nullptr;
    QLabel* account_ = nullptr;
    QLabel* company_ = nullptr;
};

} // namespace tamberlink
