#include "StoreTestSupport.h"

#include "store/LocalDatabase.h"

#include <QDir>
#include <QProcess>
#include <QThread>

#include <random>
#include <set>
#include <sstream>

namespace tamberlink {
namespace {

using test::RawDb;
using test::SeedCopy;

constexpr int kKills = 60;

std::set<std::string> Values(RawDb& raw, const std::string& sql) {
    std::set<std::string> values;
    std::istringstream rows(raw.Rows(sql));
    for (std::string line; std::getline(rows, line);) {
        values.insert(line);
    }
    return values;
}

// Whether the write `index` of the loop (see WriteLoop.cpp) is in the database.
bool Holds(const std::set<std::string>& calls, const std::set<std::string>& notes,
           const std::set<std::string>& sms, const std::set<std::string>& contacts,
           const std::set<std::string>& recordings, long index) {
    const std::string key = "k" + std::to_string(index);
    switch (index % 5) {
    case 0:
        return calls.count(key) != 0;
    case 1:
        return notes.count(key) != 0;
    case 2:
        return sms.count(key) != 0;
    case 3:
        for (int i = 0; i < 5; ++i) {
            if (contacts.count(key + "-" + std::to_string(i)) == 0) {
                return false;
            }
        }
        return true;
    default:
        return recordings.count(key + "|" + key) != 0;
    }
}

// A writer killed with SIGKILL again and again while it writes (a reader reading beside it):
// after every kill the database is whole and holds every write that had returned.
TEST(KillDuringWrite, EveryReturnedWriteSurvivesAndTheDatabaseStaysWhole) {
    SeedCopy seed;
    std::mt19937 random(20160307);
    std::uniform_int_distribution<int> delayUs(0, 20000);
    std::vector<long> reported;
    long next = 0;
    int killedWhileWriting = 0;
    for (int kill = 0; kill < kKills; ++kill) {
        QProcess writer;
        writer.setProgram(QStringLiteral(TAMBERLINK_BIN_DIR "/database_write_loop"));
        writer.setArguments({seed.path(), QString::number(next)});
        writer.start();
        ASSERT_TRUE(writer.waitForStarted(30000));
        // The kill lands among the writes: at least one has returned by then.
        while (!writer.canReadLine() && writer.state() == QProcess::Running) {
            writer.waitForReadyRead(30000);
        }
        QThread::usleep(unsigned(delayUs(random)));
        killedWhileWriting += writer.state() == QProcess::Running ? 1 : 0;
        writer.kill();
        ASSERT_TRUE(writer.waitForFinished(30000));
        ASSERT_EQ(writer.exitStatus(), QProcess::CrashExit)
            << "the writer stopped on its own: " << writer.readAllStandardError().toStdString();

        long last = next - 1;
        for (const QByteArray& line : writer.readAllStandardOutput().split('\n')) {
            if (!line.isEmpty()) {
                last = line.toLong();
                reported.push_back(last);
            }
        }
        // The write after the last reported one may have landed unreported: skip its index.
        next = last + 2;

        RawDb raw(seed.path());
        ASSERT_EQ(raw.Rows("pragma integrity_check"), "ok") << "after kill " << kill;
        const auto calls = Values(raw, "select phone from table_log");
        const auto notes = Values(raw, "select content from table_notepad");
        const auto sms = Values(raw, "select phone from table_sms");
        const auto contacts = Values(raw, "select phone from table_contact");
        const auto recordings =
            Values(raw, "select phone || '|' || record_guid from table_log where type=4");
        for (long index : reported) {
            ASSERT_TRUE(Holds(calls, notes, sms, contacts, recordings, index))
                << "write " << index << " returned before kill " << kill << " and is lost";
        }
    }
    EXPECT_GE(killedWhileWriting, 50);
    EXPECT_GE(reported.size(), std::size_t(kKills));

    // Opened and closed once more, the database is a single file again.
    LocalDatabase db;
    ASSERT_TRUE(db.Open(seed.path()));
    db.Close();
    EXPECT_EQ(QDir(seed.folder()).entryList(QDir::Files),
              QStringList{QStringLiteral("Tamberlink.db")});
}

} // namespace
} // namespace tamberlink
