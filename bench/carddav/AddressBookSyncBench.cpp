// The first sync of an address book of 5,000 cards from Radicale on loopback into an empty
// contact list, then a sync after another client changed one card: wall-clock time and the
// bytes on the wire (requests and answers, headers included).
#include "../../tests/carddav/DavPeers.h"
#include "../BenchTiming.h"
#include "../SeedDatabase.h"
#include "carddav/AddressBookSync.h"
#include "store/AttributionDatabase.h"
#include "store/LocalDatabase.h"

#include <QCoreApplication>

#include <cstdio>

using namespace tamberlink;

namespace {

constexpr int kCards = 5000;

bool WriteCards(const QString& folder) {
    for (int i = 0; i < kCards; ++i) {
        QFile file(QDir(folder).filePath(QStringLiteral("card%1.vcf").arg(i)));
        if (!file.open(QIODevice::WriteOnly)) {
            return false;
        }
        const QByteArray n = QByteArray::number(10000000 + i);
        file.write("BEGIN:VCARD\r\nVERSION:3.0\r\nUID:card" + QByteArray::number(i) +
                   "\r\nFN:客户 " + n + "\r\nN:客户;" + n + ";;;\r\nTEL;TYPE=CELL:139" + n +
                   "\r\nTEL;TYPE=WORK:020" + n + "\r\nEMAIL:c" + n +
                   "@example.com\r\nBDAY:1990-05-17\r\nNOTE:老客户\r\nEND:VCARD\r\n");
    }
    return true;
}

SyncOutcome Sync(LocalDatabase& database, const AttributionDatabase& attribution,
                 const test::Radicale& server, double& ms) {
    DavClient client(test::Radicale::kUser, test::Radicale::kPassword);
    CardDavServer dav(client);
    AddressBookSync sync(database, attribution, dav);
    bench::Stopwatch watch;
    SyncOutcome outcome = sync.Run(server.Book(), [](int, int) { return true; });
    ms = watch.WallMs();
    return outcome;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    test::Radicale server;
    if (!WriteCards(server.BookFolder()) || !server.Start()) {
        std::fprintf(stderr, "cannot start Radicale\n");
        return 1;
    }
    QTemporaryDir dir;
    LocalDatabase database;
    AttributionDatabase attribution;
    if (!bench::OpenSeedDatabase(dir, database, attribution)) {
        return 1;
    }
    database.AddressBook().WriteAccount(server.Root(), QString::fromLatin1(test::Radicale::kUser),
                                        server.Book());

    // Radicale reads and caches every card it holds at its first listing: its own work, done
    // before the clock starts.
    bool ok = false;
    const QString held = server.Peer({QStringLiteral("count")}, {}, &ok);
    std::printf("address book sync with Radicale on loopback, %s cards\n", qPrintable(held));

    double ms = 0;
    const SyncOutcome first = Sync(database, attribution, server, ms);
    std::printf("  first sync: %d cards received, %.1f KB moved: %8.1f ms wall (target under "
                "15000) %s\n",
                first.received, double(first.bytes) / 1024, ms,
                first.ok ? "" : qPrintable(first.error));

    server.Peer({QStringLiteral("edit"), QStringLiteral("card42.vcf"), QStringLiteral("fn=改名")},
                {}, &ok);
    const SyncOutcome second = Sync(database, attribution, server, ms);
    std::printf("  sync after one card changed there: %d received, %.2f KB moved (target under "
                "10): %8.1f ms wall (target under 1000) %s\n",
                second.received, double(second.bytes) / 1024, ms, second.ok && ok ? "" : "FAILED");
    return first.ok && second.ok ? 0 : 1;
}
