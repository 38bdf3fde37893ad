// Prints the speed of the local database and the attribution lookups:
//   attribution lookups per second on the full prefix table (448k prefixes) when the shared
//   table is present, else on the built database;
//   LoadContacts and SearchContactList over 100,000 contacts;
//   AddCallLog inserts per second.

#include "../BenchTiming.h"
#include "store/AttributionDatabase.h"
#include "store/LocalDatabase.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <random>
#include <vector>

using namespace tamberlink;
using tamberlink::bench::TimeMs;

namespace {

constexpr int kContacts = 100000;
constexpr int kCallLogInserts = 300;

const QString kSharedTable =
    QStringLiteral(TAMBERLINK_SOURCE_DIR "/../shared/data/attribution/prefixes.tsv.gz");

QString AttributionDatabaseForBench(const QTemporaryDir& work, const QString& binDir) {
    if (!QFile::exists(kSharedTable)) {
        std::printf("attribution: shared prefix table absent (%s); measuring the built database\n",
                    qPrintable(kSharedTable));
        return binDir + QStringLiteral("/Data/MoblieAreacode.db");
    }
    const QString path = work.filePath(QStringLiteral("prefixes.db"));
    QProcess tool;
    QElapsedTimer timer;
    timer.start();
    tool.start(binDir + QStringLiteral("/tamberlink-attribution"), {kSharedTable, path});
    if (!tool.waitForFinished(300000) || tool.exitCode() != 0) {
        std::printf("attribution: import failed: %s\n", tool.readAllStandardError().constData());
        return {};
    }
    std::printf("attribution: imported the shared prefix table in %.0f ms: %s",
                double(timer.elapsed()), tool.readAllStandardOutput().constData());
    return path;
}

void BenchAttribution(const QString& path) {
    AttributionDatabase db;
    if (!db.Open(path)) {
        std::printf("attribution: cannot open %s\n", qPrintable(path));
        return;
    }
    // Real prefixes, each followed by four digits, in random order, and a share of misses.
    std::vector<QString> numbers;
    std::mt19937 random(42);
    for (int i = 0; i < 20000; ++i) {
        const int prefix = 1300000 + int(random() % 700000);
        numbers.push_back(QString::number(prefix) +
                          QStringLiteral("%1").arg(random() % 10000, 4, 10, QChar(u'0')));
    }
    int known = 0;
    for (const QString& number : numbers) {
        known += db.GetAttribution(number) != NumberAttribution::UnknownText();
    }
    const int rounds = 10;
    QElapsedTimer timer;
    timer.start();
    for (int r = 0; r < rounds; ++r) {
        for (const QString& number : numbers) {
            db.GetAttribution(number);
        }
    }
    const double seconds = double(timer.nsecsElapsed()) / 1e9;
    std::printf("attribution: GetAttribution %.0f lookups/s (%d of %zu sample numbers known)\n",
                double(rounds * numbers.size()) / seconds, known, numbers.size());
    timer.restart();
    for (int r = 0; r < rounds; ++r) {
        for (const QString& number : numbers) {
            db.Lookup(number);
        }
    }
    std::printf("attribution: LookupAreaCode %.0f lookups/s\n",
                double(rounds * numbers.size()) / (double(timer.nsecsElapsed()) / 1e9));
}

QString RandomName(std::mt19937& random) {
    static const QString kSurnames = QStringLiteral("王李张刘陈杨黄赵吴周徐孙马朱胡郭何高林罗");
    static const QString kGiven = QStringLiteral("伟芳娜秀英敏静丽强磊军洋勇艳杰娟涛明超兰霞平刚");
    QString name(kSurnames[int(random() % kSurnames.size())]);
    const int length = 1 + int(random() % 2);
    for (int i = 0; i < length; ++i) {
        name += kGiven[int(random() % kGiven.size())];
    }
    return name;
}

void BenchLocalDatabase(const QTemporaryDir& work, const QString& binDir,
                        const AttributionDatabase& attribution) {
    const QString path = work.filePath(QStringLiteral("Tamberlink.db"));
    if (!QFile::copy(binDir + QStringLiteral("/Data/Tamberlink.db"), path)) {
        std::printf("local database: no seed database in %s/Data\n", qPrintable(binDir));
        return;
    }
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    LocalDatabase db;
    if (!db.Open(path)) {
        std::printf("local database: cannot open %s\n", qPrintable(path));
        return;
    }
    db.RunMigrations();

    std::mt19937 random(7);
    std::vector<ContactRecord> contacts;
    contacts.reserve(kContacts);
    for (int i = 0; i < kContacts; ++i) {
        ContactRecord& contact = contacts.emplace_back(
            RandomName(random), QString::number(13000000000LL + random() % 900000000LL), QString());
        contact.company = QStringLiteral("公司%1").arg(i % 500);
        contact.attribution = QStringLiteral("移动|北京");
    }
    QElapsedTimer timer;
    timer.start();
    db.InsertDownloadedContacts(contacts);
    std::printf("contacts: %d inserted in one transaction in %.0f ms\n", kContacts,
                double(timer.elapsed()));

    std::size_t count = 0;
    const double load = TimeMs(5, [&] { count = db.LoadContacts().size(); });
    std::printf("contacts: LoadContacts of %zu contacts %.1f ms (median of 5)\n", count, load);
    for (const char* keyword : {"zw", "138000", "王伟"}) {
        const double search =
            TimeMs(5, [&] { count = db.SearchContactList(QString::fromUtf8(keyword)).size(); });
        std::printf("contacts: SearchContactList(\"%s\") %zu found, %.1f ms (median of 5)\n",
                    keyword, count, search);
    }

    const QString known = contacts[kContacts / 2].phone;
    timer.restart();
    for (int i = 0; i < kCallLogInserts; ++i) {
        const QString number = i % 2 == 0 ? known : QString::number(13900000000LL + i);
        const NumberAttribution where = attribution.Lookup(number);
        db.AddCallLog(number, where.Place(), where.corp, 3);
    }
    const double seconds = double(timer.nsecsElapsed()) / 1e9;
    std::printf("call log: AddCallLog %.0f inserts/s (%d inserts, each its own committed write, "
                "with %d contacts to look the name up in)\n",
                kCallLogInserts / seconds, kCallLogInserts, kContacts);
    const double loadLog = TimeMs(5, [&] { count = db.LoadCallLog().size(); });
    std::printf("call log: LoadCallLog of %zu rows %.1f ms (median of 5)\n", count, loadLog);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QString binDir = QCoreApplication::applicationDirPath();
    QTemporaryDir work;
    const QString attributionPath = AttributionDatabaseForBench(work, binDir);
    if (!attributionPath.isEmpty()) {
        BenchAttribution(attributionPath);
    }
    AttributionDatabase attribution;
    attribution.Open(binDir + QStringLiteral("/Data/MoblieAreacode.db"));
    BenchLocalDatabase(work, binDir, attribution);
    return 0;
}
