// A server that answers badly costs no contact, and the error says which step failed and
// how the server answered.
#include "../store/StoreTestSupport.h"
#include "DavPeers.h"

#include "carddav/AddressBookSync.h"
#include "store/AttributionDatabase.h"
#include "store/LocalDatabase.h"

#include <gtest/gtest.h>

namespace tamberlink {
namespace {

class BadServer {
public:
    explicit BadServer(const QString& mode) {
        process_.setProgram(QStringLiteral(TAMBERLINK_PYTHON));
        process_.setArguments({QStringLiteral(BAD_DAV_SCRIPT), mode});
        process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process_.start();
        process_.waitForStarted(20000);
        while (!process_.canReadLine() && process_.waitForReadyRead(20000)) {
        }
        const QByteArray line = process_.readLine().trimmed();
        port_ = line.startsWith("PORT ") ? line.mid(5).toInt() : 0;
    }
    ~BadServer() { test::StopProcess(process_); }

    QString Book() const { return QStringLiteral("http://127.0.0.1:%1/anna/contacts/").arg(port_); }
    int Port() const { return port_; }

private:
    QProcess process_;
    int port_ = 0;
};

TEST(BadServerTest, EveryBadAnswerNamesItsStepAndLosesNothing) {
    test::SeedCopy seed;
    LocalDatabase db;
    ASSERT_TRUE(db.Open(seed.path()));
    ASSERT_TRUE(db.RunMigrations());
    AttributionDatabase attribution;
    ASSERT_TRUE(db.Contacts().Add(
        ContactRecord(QStringLiteral("王五"), QStringLiteral("13900000002"), QString()),
        attribution));
    const int contacts = int(db.Contacts().Load().size());

    const std::pair<const char*, const char*> cases[] = {
        {"401", "读取通讯录变更失败：HTTP 401（用户名或密码不对）"},
        {"403", "读取通讯录失败：HTTP 403（服务器拒绝访问）"},
        {"404", "读取通讯录变更失败：HTTP 404（地址不存在）"},
        {"500", "读取通讯录变更失败：HTTP 500"},
        {"507", "读取通讯录变更失败：HTTP 507（服务器空间不足）"},
        {"redirect", "读取通讯录变更失败：HTTP 301（服务器转向了 http://127.0.0.1:1/elsewhere/）"},
        {"junk", "读取通讯录变更失败：服务器的回答无法读取"},
        {"stall", "读取通讯录变更失败：the server stopped answering"},
        {"conflict", "上传联系人失败：HTTP 412"},
    };
    for (const auto& [mode, error] : cases) {
        SCOPED_TRACE(mode);
        BadServer server(QString::fromLatin1(mode));
        ASSERT_GT(server.Port(), 0);
        ASSERT_TRUE(
            db.AddressBook().WriteAccount(server.Book(), QStringLiteral("anna"), server.Book()));
        DavClient client("anna", "secret");
        client.SetStallSeconds(2);
        CardDavServer dav(client);
        const SyncOutcome outcome =
            AddressBookSync(db, attribution, dav).Run(server.Book(), [](int, int) { return true; });
        EXPECT_FALSE(outcome.ok);
        EXPECT_TRUE(outcome.error.startsWith(QString::fromUtf8(error)))
            << outcome.error.toStdString();
        EXPECT_EQ(int(db.Contacts().Load().size()), contacts);
    }
}

} // namespace
} // namespace tamberlink
