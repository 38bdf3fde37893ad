// Prints how long the contact chains take against the fake cloud service on this machine:
// a sync of 10,000 cloud contacts (500 pages of 20, applied in one transaction) and a backup
// of 10,000 local contacts (a clear, then 100 pages of 100).

#include "app/UiSink.h"
#include "cloud/CloudClient.h"
#include "cloud/CloudFlows.h"
#include "store/AttributionDatabase.h"
#include "store/LocalDatabase.h"

#include "FakeCloud.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <string>

namespace {

using namespace tamberlink;
using namespace std::chrono_literals;

constexpr int kContacts = 10000;
constexpr const char* kAccount = "13800138000";
constexpr const char* kPassword = "bench1";

// Remembers the last notice and whether the account window heard of a login.
class BenchSink : public UiSink {
public:
    void ShowTip(const QString& text) override {
        lastTip = text;
        loop.quit();
    }
    void ShowCodePicture(int, const QString&) override { pictures++; }
    void ShowAccountResult(int result) override { loggedIn = loggedIn || result == 0; }

    // Runs the event loop until the next notice (or a generous limit).
    QString WaitForTip() {
        lastTip.clear();
        QTimer::singleShot(600s, &loop, &QEventLoop::quit);
        loop.exec();
        return lastTip;
    }

    QEventLoop loop;
    QString lastTip;
    int pictures = 0;
    bool loggedIn = false;
};

int Fail(const char* what) {
    std::fprintf(stderr, "bench_cloud: %s\n", what);
    return 1;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    test::FakeCloud fake;
    if (!fake.Start()) {
        return Fail("the fake cloud service did not start");
    }
    fake.AddUser(kAccount, kPassword);
    Json::Value seed;
    seed["account"] = kAccount;
    for (int i = 0; i < kContacts; ++i) {
        Json::Value contact;
        contact["cid"] = "cid-" + std::to_string(i);
        contact["name"] = "云端联系人" + std::to_string(i);
        contact["number"] = std::to_string(13000000000LL + i);
        contact["company"] = "公司";
        // Appended: "literal" + std::string&& trips gcc 12's -Wrestrict.
        std::string email = "c";
        contact["email"] = email.append(std::to_string(i)).append("@example.com");
        contact["date"] = "2016-03-07";
        seed["contacts"].append(contact);
    }
    fake.Control("contacts", seed);

    QTemporaryDir folder;
    const QString databasePath = folder.filePath(QStringLiteral("Tamberlink.db"));
    if (!QFile::copy(QStringLiteral(TAMBERLINK_BIN_DIR "/Data/Tamberlink.db"), databasePath)) {
        return Fail("no seed database in the build's Data folder");
    }
    QFile::setPermissions(databasePath, QFile::ReadOwner | QFile::WriteOwner);
    LocalDatabase database;
    if (!database.Open(databasePath)) {
        return Fail("cannot open the database copy");
    }
    database.RunMigrations();

    BenchSink sink;
    CloudClient client(fake.BaseUrl(), folder.filePath(QStringLiteral("cookies")));
    const AttributionDatabase attribution; // not opened: every number reads as unknown
    CloudFlows flows(client, database, attribution, sink, folder.path(), {});
    flows.Account().RequestCodePicture(AccountFlow::kLoginForm);
    if (!test::WaitFor([&] { return sink.pictures == 1; })) {
        return Fail("no picture code");
    }
    flows.Account().Login(QString::fromLatin1(kAccount), QString::fromLatin1(kPassword),
                          QStringLiteral("1234"), false);
    if (!test::WaitFor([&] { return sink.loggedIn; })) {
        return Fail("the login failed");
    }

    QElapsedTimer clock;
    clock.start();
    flows.Sync().Start();
    if (sink.WaitForTip() != QStringLiteral("同步联系人成功")) {
        return Fail("the sync did not succeed");
    }
    const double syncMs = double(clock.nsecsElapsed()) / 1e6;
    const std::size_t stored = database.Contacts().GetAll().size();
    std::printf("sync of %d contacts (500 pages of 20): %.0f ms, %.2f ms per page, %zu rows "
                "stored\n",
                kContacts, syncMs, syncMs / 500, stored);

    fake.Control("clear-requests");
    clock.restart();
    flows.Backup().Start();
    if (sink.WaitForTip() != QStringLiteral("备份成功")) {
        return Fail("the backup did not succeed");
    }
    const double backupMs = double(clock.nsecsElapsed()) / 1e6;
    const Json::Value state = fake.State();
    std::printf("backup of %zu contacts (100 pages of 100): %.0f ms, %.2f ms per page, %u "
                "contacts in the cloud\n",
                stored, backupMs, backupMs / 100, state["contacts"][kAccount].size());
    client.Stop();
    return 0;
}
