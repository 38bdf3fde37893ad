#pragma once

#include "cloud/CloudRequest.h"
#include "cloud/RememberedPassword.h"
#include "store/AccountRecord.h"

#include <QString>

namespace tamberlink {

class CloudClient;
class LocalDatabase;
class CloudHost;
class PasswordKeyring;

// The cloud account: picture codes, login, registration, the two password reset steps, the
// replies to them, and the signed-in state with its profile. Runs on the UI thread; the
// account window calls these operations and hears back through the CloudHost.
class AccountFlow {
public:
    // The forms that show a picture code.
    enum CodeForm { kLoginForm = 0, kRegisterForm = 1, kResetForm = 2 };
    // What CloudHost::ShowAccountResult reports.
    enum Result { kLoggedIn = 0, kRegistered = 1, kResetCodeSent = 2, kPasswordReset = 3 };

    // The remembered password goes to `keyring` when it takes it (null: none).
    AccountFlow(CloudClient& client, LocalDatabase& database, CloudHost& host, QString dataRoot,
                PasswordKeyring* keyring);

    // Fetches a new picture code for a form; the picture arrives through ShowCodePicture.
    void RequestCodePicture(int form);

    // Stores the account (the password only when it is to be remembered) and sends the login,
    // which proves the password by a hash over the picture code instead of sending it.
    void Login(const QString& account, const QString& password, const QString& code, bool remember);
    // The same with the password the login form offers as remembered (Remembered().Offered()).
    void LoginRemembered(const QString& code, bool remember);
    // Sends a registration after checking the number and the two passwords.
    void Register(const QString& account, const QString& password, const QString& repeat,
                  const QString& code);
    // Reset, step 1: asks for a code by SMS for the account.
    void SendResetCode(const QString& account, const QString& pictureCode);
    // Reset, step 2: the SMS code and the new password twice. The service knows the account
    // from the session cookie of step 1.
    void ResetPassword(const QString& smsCode, const QString& password, const QString& repeat);

    // table_user row 0: the account, the remember flag and, when remembered, what proves the
    // password (see RememberedPassword). False when the row was not written.
    bool StoreAccount(const QString& account, const QString& password, bool remember);
    void LogOut();
    // The profile window's name and company for the signed-in account.
    void ApplyProfile(const QString& name, const QString& company);
    // The name and company stored for the signed-in account.
    ProfileRecord Profile() const;

    bool IsLoggedIn() const { return loggedIn_; }
    const QString& Account() const { return account_; }
    RememberedPassword& Remembered() { return remembered_; }
    const RememberedPassword& Remembered() const { return remembered_; }

    // Replies of the picture codes, USER_LOGIN, USER_REG, SMS_CODE and USER_FORGET, and
    // requests of them that got no reply: a picture that could not be fetched is shown as
    // missing, and the user is told that the service cannot be reached.
    void OnReply(const CloudReply& reply);
    void OnFailure(const CloudFailure& failure);

    // The login's proof: MD5 over MD5(account + password) and the code, upper-case hex.
    static QString LoginHash(const QString& account, const QString& password, const QString& code);
    // The user's companies show this when none is given.
    static QString DefaultCompany() { return QStringLiteral("公司名称"); }

private:
    // The form of a picture code request's kind.
    static int FormOf(int pictureKind);
    void OnCodePicture(const CloudReply& reply);
    void OnLoginReply(const CloudReply& reply);
    void OnRegisterReply(const CloudReply& reply);
    void OnResetReply(const CloudReply& reply, Result success);
    void LoggedIn();
    void SendLogin(const QString& account, const QString& digest, const QString& code);

    struct PendingLogin {
        QString account;
        QString password;
        bool remember = false;
        bool offered = false; // with the remembered password
    };

    CloudClient& client_;
    LocalDatabase& database_;
    CloudHost& host_;
    QString dataRoot_;
    RememberedPassword remembered_;
    PendingLogin login_;        // the login most recently sent
    PendingLogin registration_; // the registration most recently sent
    bool loggedIn_ = false;
    QString account_; // the signed-in account (the account label)
};

} // namespace tamberlink
