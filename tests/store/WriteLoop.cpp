// Writes to the user's database over and over, as the program does while calls come in, and
// reports each write once it returned: its index on a line of its own. A second, read-only
// connection reads the call log meanwhile, as the pages do. The kill test stops it with
// SIGKILL at random moments. Arguments: the database, the first index.
//
// Write `index` by index % 5: a call "k<index>"; a note "k<index>"; a sent SMS to
// "k<index>"; five downloaded contacts "k<index>-0".."k<index>-4" in one transaction; a call
// "k<index>" with the recording "k<index>" linked to it.
#include "store/AttributionDatabase.h"
#include "store/LocalDatabase.h"

#include <QString>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <thread>

using namespace tamberlink;

namespace {

bool Write(LocalDatabase& db, long index) {
    const QString key = QStringLiteral("k%1").arg(index);
    switch (index % 5) {
    case 0:
        return db.CallLog().Add(key, QStringLiteral("北京"), QStringLiteral("中国移动"), 3) > 0;
    case 1:
        return db.Notes().Add({}, {}, {}, {}, key, 0) > 0;
    case 2:
        return db.Sms().Add(key, QStringLiteral("content"), {});
    case 3: {
        std::vector<ContactRecord> batch;
        for (int i = 0; i < 5; ++i) {
            const QString name = key + u'-' + QString::number(i);
            batch.emplace_back(name, name, QString());
        }
        return db.Contacts().InsertDownloaded(batch, AttributionDatabase());
    }
    default: {
        const int call = db.CallLog().Add(key, {}, {}, 4);
        return call > 0 &&
               db.CallLog().LinkRecording(key, call) == CallLogTable::RecordingLink::Linked;
    }
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s DATABASE FIRST-INDEX\n", argv[0]);
        return 2;
    }
    const QString path = QString::fromLocal8Bit(argv[1]);
    LocalDatabase db;
    if (!db.Open(path)) {
        std::fprintf(stderr, "cannot open: %s\n", qPrintable(db.OpenError()));
        return 1;
    }
    db.RunMigrations();
    std::thread([path] {
        LocalDatabase reader;
        if (reader.OpenForReading(path)) {
            for (;;) {
                reader.CallLog().Load();
            }
        }
    }).detach();
    for (long index = std::atol(argv[2]);; ++index) {
        if (!Write(db, index)) {
            std::fprintf(stderr, "write %ld failed\n", index);
            return 1;
        }
        std::printf("%ld\n", index);
        std::fflush(stdout);
    }
}
