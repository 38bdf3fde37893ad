#pragma once

#include <QString>

#include <string>

namespace tamberlink {

// What the cloud flows ask of their owner. Every call is made on the UI thread; a host shows
// what it has a place for and may ignore the rest.
class CloudHost {
public:
    virtual ~CloudHost() = default;

    // What the user is told when the cloud service did not answer.
    static QString NoServerNotice() {
        return QStringLiteral("无法连接服务器，请检查网络和服务器地址后再试");
    }

    // A notice for the user.
    virtual void ShowTip(const QString& text) = 0;
    // The contacts table changed (a sync stored the downloaded contacts).
    virtual void ReloadContacts() {}

    // A newer program version was found.
    virtual void ShowNewVersion(const std::string& /*num*/, const std::string& /*url*/) {}
    // A check from the update window found no newer version.
    virtual void ShowNoNewVersion() {}

    // Cloud account. A picture code for form 0 (login), 1 (registration) or 2 (reset) is in
    // the file (an empty path: none could be fetched, the form offers to try again); an account
    // request succeeded (0 logged in, 1 registered, 2 reset code sent, 3 password reset); the
    // account panel shows the signed-in account with its name and company labels, or the logged-out
    // panel.
    virtual void ShowCodePicture(int /*form*/, const QString& /*path*/) {}
    virtual void ShowAccountResult(int /*result*/) {}
    virtual void ShowLoggedIn(const QString& /*account*/, const QString& /*name*/,
                              const QString& /*company*/) {}
    virtual void ShowLoggedOut() {}

    // The progress panel of a contact backup or sync; its watchdog is the flows' own.
    virtual void ShowProgress() {}
    virtual void SetProgressText(const QString& /*text*/) {}
    virtual void EndProgress() {}

    // The feedback was received: the feedback window closes.
    virtual void CloseFeedback() {}
};

} // namespace tamberlink
