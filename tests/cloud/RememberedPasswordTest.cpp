// The remembered password: the database holds the login's first hash or a keyring marker,
// never the password; an older database is mended at start-up.
#include "cloud/RememberedPassword.h"
#include "store/LocalDatabase.h"

#include "../store/StoreTestSupport.h"
#include "FakeCloud.h"
#include "FakeKeyring.h"

#include <QDir>
#include <QFile>

namespace tamberlink::test {
namespace {

const QString kNumber = QStringLiteral("13800138000");
// Non-ASCII, and with the characters that split a form.
const QString kSecret = QStringLiteral("密码&pw=1");

class RememberedPasswordTest : public ::testing::Test {
protected:
    void SetUp() override {
        EnsureApplication();
        ASSERT_TRUE(database_.Open(seed_.path()));
    }

    std::string Row() {
        return RawDb(seed_.path()).Rows("select account,password,rememberpsd from table_user");
    }
    static std::string DigestRow(const QString& account, const QString& password) {
        return account.toStdString() + "|md5:" + LoginDigest(account, password).toStdString() +
               "|1";
    }
    std::string Marker() const { return RememberedPassword::KeyringMarker().toStdString(); }
    // Whether any file of the database (journals included) holds `text` as UTF-8 bytes.
    bool FilesHold(const QString& text) {
        database_.Close();
        const QDir folder(seed_.folder());
        bool found = false;
        for (const QString& name : folder.entryList({QStringLiteral("Tamberlink.db*")})) {
            QFile file(folder.filePath(name));
            EXPECT_TRUE(file.open(QIODevice::ReadOnly));
            found = found || file.readAll().contains(text.toUtf8());
        }
        EXPECT_TRUE(database_.Open(seed_.path()));
        return found;
    }

    SeedCopy seed_;
    LocalDatabase database_;
    FakeKeyring keyring_;
};

TEST_F(RememberedPasswordTest, WithoutAKeyringTheRowHoldsOnlyTheLoginHash) {
    {
        RememberedPassword memory(database_, nullptr);
        ASSERT_TRUE(memory.Store(kNumber, kSecret, true));
    }
    EXPECT_EQ(Row(), DigestRow(kNumber, kSecret));
    EXPECT_FALSE(FilesHold(kSecret));

    // The next start offers the account with the remembered password.
    RememberedPassword memory(database_, nullptr);
    memory.Load();
    EXPECT_EQ(memory.Offered().account, kNumber);
    EXPECT_TRUE(memory.Offered().remember);
    EXPECT_EQ(memory.Offered().digest, LoginDigest(kNumber, kSecret));
    // A login with it keeps it; one without "remember" forgets it.
    ASSERT_TRUE(memory.StoreOffered(true));
    EXPECT_EQ(Row(), DigestRow(kNumber, kSecret));
    ASSERT_TRUE(memory.StoreOffered(false));
    EXPECT_EQ(Row(), kNumber.toStdString() + "||0");
    // Without an account only the flag changes.
    ASSERT_TRUE(memory.Store({}, kSecret, true));
    EXPECT_EQ(Row(), kNumber.toStdString() + "||1");
}

TEST_F(RememberedPasswordTest, AKeyringKeepsThePasswordAndTheRowAMarker) {
    RememberedPassword memory(database_, &keyring_);
    ASSERT_TRUE(memory.Store(kNumber, kSecret, true));
    ASSERT_TRUE(WaitFor([&] { return Row() == kNumber.toStdString() + "|" + Marker() + "|1"; }));
    EXPECT_EQ(keyring_.entries.values(), QStringList{kSecret});
    EXPECT_FALSE(FilesHold(kSecret));

    RememberedPassword next(database_, &keyring_);
    next.Load();
    ASSERT_TRUE(WaitFor([&] { return !next.Offered().digest.isEmpty(); }));
    EXPECT_EQ(next.Offered().digest, LoginDigest(kNumber, kSecret));
    ASSERT_TRUE(next.StoreOffered(true));
    EXPECT_EQ(Row(), kNumber.toStdString() + "|" + Marker() + "|1");

    // Not remembered any more: the keyring entry goes too.
    ASSERT_TRUE(next.Store(kNumber, kSecret, false));
    ASSERT_TRUE(WaitFor([&] { return keyring_.entries.isEmpty(); }));
    EXPECT_EQ(Row(), kNumber.toStdString() + "||0");
}

TEST_F(RememberedPasswordTest, WithoutARunningKeyringTheHashStays) {
    keyring_.running = false;
    RememberedPassword memory(database_, &keyring_);
    ASSERT_TRUE(memory.Store(kNumber, kSecret, true));
    ASSERT_TRUE(WaitFor([&] { return keyring_.answered == 1; }));
    EXPECT_EQ(Row(), DigestRow(kNumber, kSecret));

    // A marker whose keyring no longer answers offers the account without a password.
    RawDb(seed_.path()).Exec("update table_user set password='" + Marker() + "' where id=0");
    RememberedPassword next(database_, &keyring_);
    next.Load();
    ASSERT_TRUE(WaitFor([&] { return keyring_.answered == 2; }));
    EXPECT_EQ(next.Offered().account, kNumber);
    EXPECT_TRUE(next.Offered().digest.isEmpty());
}

TEST_F(RememberedPasswordTest, APasswordInClearIsReplacedAtStartUp) {
    const QString clear = QStringLiteral("Clear#Pw1");
    const auto storeClear = [&](int remember) {
        RawDb(seed_.path())
            .Exec("update table_user set account='13800138000', password='Clear#Pw1', "
                  "rememberpsd=" +
                  std::to_string(remember) + " where id=0");
    };

    storeClear(1);
    RememberedPassword memory(database_, nullptr);
    memory.Load();
    EXPECT_EQ(Row(), DigestRow(kNumber, clear));
    EXPECT_EQ(memory.Offered().digest, LoginDigest(kNumber, clear));
    EXPECT_FALSE(FilesHold(clear));

    // Not to be remembered: it is only removed.
    storeClear(0);
    RememberedPassword forgetting(database_, nullptr);
    forgetting.Load();
    EXPECT_EQ(Row(), kNumber.toStdString() + "||0");
    EXPECT_TRUE(forgetting.Offered().digest.isEmpty());
    EXPECT_FALSE(FilesHold(clear));
}

} // namespace
} // namespace tamberlink::test
