#include "cloud/AccountFlow.h"

#include "cloud/CloudClient.h"
#include "cloud/CloudEnvelope.h"
#include "cloud/CloudHost.h"
#include "store/LocalDatabase.h"
#include "util/TextCodec.h"

#include <QDir>
#include <QFile>
#include <QLoggingCategory>

#include <ctime>

namespace tamberlink {

namespace {

Q_LOGGING_CATEGORY(lcAccount, "tamberlink.cloud.account", QtWarningMsg)

} // namespace

AccountFlow::AccountFlow(CloudClient& client, LocalDatabase& database, CloudHost& host,
                         QString dataRoot, PasswordKeyring* keyring)
    : client_(client)
    , database_(database)
    , host_(host)
    , dataRoot_(std::move(dataRoot))
    , remembered_(database, keyring) {}

QString AccountFlow::LoginHash(const QString& account, const QString& password,
                               const QString& code) {
    return LoginProof(LoginDigest(account, password), code);
}

void AccountFlow::RequestCodePicture(int form) {
    const CloudRequestBuilder& requests = client_.Requests();
    switch (form) {
    case kLoginForm:
        client_.Submit(requests.Vcode(VCODE_LOGIN));
        break;
    case kRegisterForm:
        client_.SubmitAfterPrefetch(requests.Vcode(VCODE_REG));
        break;
    case kResetForm:
        client_.SubmitAfterPrefetch(requests.Vcode(VCODE_FORGET));
        break;
    default:
        break;
    }
}

void AccountFlow::Login(const QString& account, const QString& password, const QString& code,
                        bool remember) {
    StoreAccount(account, password, remember);
    login_ = {account, password, remember, false};
    SendLogin(account, LoginDigest(account, password), code);
}

void AccountFlow::LoginRemembered(const QString& code, bool remember) {
    const RememberedPassword::Offer offer = remembered_.Offered();
    remembered_.StoreOffered(remember);
    login_ = {offer.account, QString(), remember, true};
    SendLogin(offer.account, offer.digest, code);
}

void AccountFlow::SendLogin(const QString& account, const QString& digest, const QString& code) {
    client_.Submit(client_.Requests().UserLogin(
        WideToUtf8(account), WideToUtf8(LoginProof(digest, code)), WideToUtf8(code)));
}

void AccountFlow::Register(const QString& account, const QString& password, const QString& repeat,
                           const QString& code) {
    if (account.size() != 11 || !account.startsWith(u'1')) {
        host_.ShowTip(QStringLiteral("请输入正确的手机号"));
        return;
    }
    if (password.size() < 5 || password != repeat) {
        host_.ShowTip(QStringLiteral("请输入5-15位密码"));
        return;
    }
    registration_ = {account, password, false};
    client_.Submit(
        client_.Requests().UserReg(WideToUtf8(account), WideToUtf8(password), WideToUtf8(code)));
}

void AccountFlow::SendResetCode(const QString& account, const QString& pictureCode) {
    client_.Submit(client_.Requests().SmsCode(WideToUtf8(account), WideToUtf8(pictureCode)));
}

void AccountFlow::ResetPassword(const QString& smsCode, const QString& password,
                                const QString& repeat) {
    if (password != repeat) {
        host_.ShowTip(QStringLiteral("两次输入的密码不一致"));
        return;
    }
    client_.Submit(client_.Requests().UserForget(WideToUtf8(password), WideToUtf8(smsCode)));
}

bool AccountFlow::StoreAccount(const QString& account, const QString& password, bool remember) {
    return remembered_.Store(account, password, remember);
}

void AccountFlow::LoggedIn() {
    loggedIn_ = true;
    account_ = login_.account;
    if (login_.offered) {
        remembered_.StoreOffered(login_.remember);
    } else {
        remembered_.Store(login_.account, login_.password, login_.remember);
    }
    const ProfileRecord profile = Profile();
    host_.ShowLoggedIn(account_, profile.name.isEmpty() ? account_ : profile.name,
                       profile.company.isEmpty() ? DefaultCompany() : profile.company);
}

ProfileRecord AccountFlow::Profile() const {
    return loggedIn_ ? database_.Account().GetProfile(account_) : ProfileRecord();
}

void AccountFlow::LogOut() {
    loggedIn_ = false;
    host_.ShowLoggedOut();
}

void AccountFlow::ApplyProfile(const QString& name, const QString& company) {
    host_.ShowLoggedIn(account_, name, company.isEmpty() ? DefaultCompany() : company);
    database_.Account().UpdateProfile(account_, name, company);
}

void AccountFlow::OnReply(const CloudReply& reply) {
    switch (reply.kind) {
    case VCODE_LOGIN:
    case VCODE_REG:
    case VCODE_FORGET:
        OnCodePicture(reply);
        break;
    case USER_LOGIN:
        OnLoginReply(reply);
        break;
    case USER_REG:
        OnRegisterReply(reply);
        break;
    case SMS_CODE:
        OnResetReply(reply, kResetCodeSent);
        break;
    case USER_FORGET:
        OnResetReply(reply, kPasswordReset);
        break;
    default:
        break;
    }
}

void AccountFlow::OnFailure(const CloudFailure& failure) {
    if (failure.kind == VCODE_LOGIN || failure.kind == VCODE_REG || failure.kind == VCODE_FORGET) {
        host_.ShowCodePicture(FormOf(failure.kind), QString());
    }
    host_.ShowTip(CloudHost::NoServerNotice());
}

int AccountFlow::FormOf(int pictureKind) {
    return pictureKind == VCODE_LOGIN ? kLoginForm
           : pictureKind == VCODE_REG ? kRegisterForm
                                      : kResetForm;
}

void AccountFlow::OnCodePicture(const CloudReply& reply) {
    const int form = FormOf(reply.kind);
    const QString path = QDir(dataRoot_).filePath(
        QStringLiteral("vcode_reg_%1.gif").arg(static_cast<qint64>(std::time(nullptr))));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(reply.body.data(), qint64(reply.body.size())) != qint64(reply.body.size())) {
        qCWarning(lcAccount) << "cannot write the picture code" << path << file.errorString();
        return;
    }
    file.close();
    host_.ShowCodePicture(form, path);
}

void AccountFlow::OnLoginReply(const CloudReply& reply) {
    const CloudEnvelope envelope = CloudEnvelope::Read(reply.body);
    if (!envelope.Readable()) {
        host_.ShowTip(QStringLiteral("连接服务器失败"));
    } else if (envelope.code == 0) {
        LoggedIn();
        host_.ShowAccountResult(kLoggedIn);
    } else if (envelope.code == 1) {
        host_.ShowTip(QStringLiteral("登录失败"));
    } else if (envelope.code == -5) {
        host_.ShowTip(QStringLiteral("密码或帐号错误"));
    } else {
        host_.ShowTip(envelope.msg);
    }
}

void AccountFlow::OnRegisterReply(const CloudReply& reply) {
    const CloudEnvelope envelope = CloudEnvelope::Read(reply.body);
    if (!envelope.Readable()) {
        host_.ShowTip(QStringLiteral("连接服务器失败"));
    } else if (envelope.code != 0) {
        host_.ShowTip(envelope.msg);
    } else {
        remembered_.OfferRegistered(registration_.account, registration_.password);
        host_.ShowAccountResult(kRegistered);
        RequestCodePicture(kLoginForm);
    }
}

void AccountFlow::OnResetReply(const CloudReply& reply, Result success) {
    const CloudEnvelope envelope = CloudEnvelope::Read(reply.body);
    if (!envelope.Readable()) {
        host_.ShowTip(QStringLiteral("连接服务器失败"));
    } else if (envelope.code != 0) {
        host_.ShowTip(QStringLiteral("操作失败，请重试"));
    } else {
        host_.ShowAccountResult(success);
    }
}

} // namespace tamberlink
