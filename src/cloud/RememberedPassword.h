#pragma once

#include <QString>

#include <memory>

namespace tamberlink {

class LocalDatabase;
class PasswordKeyring;

// The remembered login of table_user row 0. The password itself never reaches the database:
// when a keyring takes it the row holds only a marker, otherwise it holds the login's first
// hash (see LoginDigest), which is all a login needs. Runs on the UI thread.
class RememberedPassword {
public:
    // What the login form offers: the account and remember flag read at start-up, or the
    // account just registered, with the first hash of its remembered password (empty when
    // none is remembered).
    struct Offer {
        QString account;
        QString digest;
        bool remember = false;
    };

    // The password column's text for a password kept in the keyring. Longer than any password
    // the forms take, so it cannot be one.
    static QString KeyringMarker() { return QStringLiteral("<desktop keyring>"); }
    // The password column's text for a kept first hash: "md5:" and 32 hexadecimal digits.
    static QString DigestColumn(const QString& digest) { return QStringLiteral("md5:") + digest; }
    static bool IsDigestColumn(const QString& column);

    // `keyring` may be null: then only the hash is kept.
    RememberedPassword(LocalDatabase& database, PasswordKeyring* keyring);
    ~RememberedPassword();
    RememberedPassword(const RememberedPassword&) = delete;
    RememberedPassword& operator=(const RememberedPassword&) = delete;

    // Reads the row at start-up. A password in clear, as earlier versions stored it, is
    // replaced at once: by its hash when it is to be remembered (and moved into the keyring
    // when one takes it), else by nothing.
    void Load();

    const Offer& Offered() const { return offer_; }
    // A registration succeeded: the form offers the new account and its password.
    void OfferRegistered(const QString& account, const QString& password);

    // Writes the row for a login with a typed password: the account, the remember flag, and
    // the password's hash (moved into the keyring when one takes it) when it is remembered.
    // With an empty account only the flag is written. False when the row was not written.
    bool Store(const QString& account, const QString& password, bool remember);
    // The same for a login with the offered password, which stays where it is kept.
    bool StoreOffered(bool remember);

private:
    bool Write(const QString& account, const QString& column, bool remember);
    // Hands the password to the keyring; once it holds it, the row's hash gives way to the
    // marker, unless the row has changed meanwhile.
    void KeepInKeyring(const QString& account, const QString& password, const QString& column);
    void ReadFromKeyring(const QString& account);

    LocalDatabase& database_;
    PasswordKeyring* keyring_;
    Offer offer_;
    QString storedAccount_; // the row as last read or written
    QString storedColumn_;
    // Keyring answers arriving after this object is gone find it expired.
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

// The login's first hash: MD5 of the account followed by the password (UTF-8), as 32
// upper-case hexadecimal digits.
QString LoginDigest(const QString& account, const QString& password);
// The login's proof sent to the service: MD5 of the first hash followed by the picture code.
QString LoginProof(const QString& digest, const QString& code);

} // namespace tamberlink
