#include "cloud/RememberedPassword.h"

#include "cloud/PasswordKeyring.h"
#include "store/LocalDatabase.h"

#include <QCryptographicHash>
#include <QRegularExpression>

namespace tamberlink {

namespace {

// The one entry of the keyring: the password of the account the row names.
const QString kKeyringKey = QStringLiteral("remembered password");

QString Md5Upper(const QByteArray& bytes) {
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Md5).toHex())
        .toUpper();
}

} // namespace

QString LoginDigest(const QString& account, const QString& password) {
    return Md5Upper(account.toUtf8() + password.toUtf8());
}

QString LoginProof(const QString& digest, const QString& code) {
    return Md5Upper(digest.toLatin1() + code.toUtf8());
}

bool RememberedPassword::IsDigestColumn(const QString& column) {
    static const QRegularExpression digest(QStringLiteral("^md5:[0-9A-F]{32}$"));
    return digest.match(column).hasMatch();
}

RememberedPassword::RememberedPassword(LocalDatabase& database, PasswordKeyring* keyring)
    : database_(database)
    , keyring_(keyring) {}

RememberedPassword::~RememberedPassword() = default;

void RememberedPassword::Load() {
    const AccountRecord row = database_.Account().Read();
    offer_ = {row.account, {}, row.rememberPassword != 0};
    storedAccount_ = row.account;
    storedColumn_ = row.password;
    if (row.password.isEmpty()) {
        return;
    }
    if (IsDigestColumn(row.password)) {
        offer_.digest = row.password.mid(4);
        return;
    }
    if (row.password == KeyringMarker()) {
        ReadFromKeyring(row.account);
        return;
    }
    // A password in clear from an earlier version.
    const bool keep = offer_.remember && !row.account.isEmpty();
    const QString digest = keep ? LoginDigest(row.account, row.password) : QString();
    const QString column = keep ? DigestColumn(digest) : QString();
    if (!database_.Account().UpdateStoredPassword(column)) {
        return;
    }
    storedColumn_ = column;
    offer_.digest = digest;
    if (keep) {
        KeepInKeyring(row.account, row.password, column);
    }
}

void RememberedPassword::OfferRegistered(const QString& account, const QString& password) {
    offer_.account = account;
    offer_.digest = password.isEmpty() ? QString() : LoginDigest(account, password);
}

bool RememberedPassword::Store(const QString& account, const QString& password, bool remember) {
    if (account.isEmpty()) {
        return database_.Account().SaveLogin({}, {}, remember);
    }
    const bool keep = remember && !password.isEmpty();
    const QString column = keep ? DigestColumn(LoginDigest(account, password)) : QString();
    const bool written = Write(account, column, remember);
    if (keep) {
        KeepInKeyring(account, password, column);
    } else if (keyring_ != nullptr) {
        keyring_->Remove(kKeyringKey);
    }
    return written;
}

bool RememberedPassword::StoreOffered(bool remember) {
    if (!remember || offer_.account.isEmpty() || offer_.digest.isEmpty()) {
        return Store(offer_.account, {}, remember);
    }
    const bool inKeyring = storedAccount_ == offer_.account && storedColumn_ == KeyringMarker();
    return Write(offer_.account, inKeyring ? KeyringMarker() : DigestColumn(offer_.digest), true);
}

bool RememberedPassword::Write(const QString& account, const QString& column, bool remember) {
    if (!database_.Account().SaveLogin(account, column, remember)) {
        return false;
    }
    storedAccount_ = account;
    storedColumn_ = column;
    return true;
}

void RememberedPassword::KeepInKeyring(const QString& account, const QString& password,
                                       const QString& column) {
    if (keyring_ == nullptr) {
        return;
    }
    const std::weak_ptr<bool> alive = alive_;
    keyring_->Write(kKeyringKey, password, [this, alive, account, column](bool kept) {
        if (kept && alive.lock() && storedAccount_ == account && storedColumn_ == column) {
            Write(account, KeyringMarker(), true);
        }
    });
}

void RememberedPassword::ReadFromKeyring(const QString& account) {
    if (keyring_ == nullptr) {
        return;
    }
    const std::weak_ptr<bool> alive = alive_;
    keyring_->Read(kKeyringKey, [this, alive, account](std::optional<QString> password) {
        // A registration meanwhile offers its own account.
        if (password.has_value() && !password->isEmpty() && alive.lock() &&
            offer_.account == account && offer_.digest.isEmpty()) {
            offer_.digest = LoginDigest(account, *password);
        }
    });
}

} // namespace tamberlink
