// Prints the speed of the local database and the attribution lookups:
//   the size of the built attribution database; import time, size and lookups per second of
//   the full prefix table (448k prefixes) when the shared table is present, else of the
//   generated one, without and with the landline rows;
//   LoadContacts and SearchContactList over 100,000 contacts;
//   AddCallLog inserts per second.

#include "../BenchTiming.h"
#include "store/AttributionDatabase.h"
#include "store/LocalDatabase.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
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
const QString kGeneratedTable =
    QStringLiteral(TAMBERLINK_BINARY_DIR "/tools/attribution/phonenumbers-prefixes.tsv");

double FileMiB(const QString& path) {
    return double(QFileInfo(path).size()) / (1024.0 * 1024.0);
}

// Imports `table` into a database in `work`, with or without the landline rows; prints the
// time and size. Empty when the import fails.
QString ImportTable(const QTemporaryDir& work, const QString& binDir, const QString& table,
                    bool landlines) {
    const QString path =
        work.filePath(landlines ? QStringLiteral("landlines.db") : QStringLiteral("mobile.db"));
    QStringList arguments{table, path};
    if (!landlines) {
        arguments.prepend(QStringLiteral("--no-landlines"));
    }
    QProcess tool;
    QElapsedTimer timer;
    timer.start();
    tool.start(binDir + QStringLiteral("/tamberlink-attribution"), arguments);
    if (!tool.waitForFinished(300000) || tool.exitCode() != 0) {
        std::printf("attribution: import failed: %s\n", tool.readAllStandardError().constData());
        return {};
    }
    std::printf("attribution: %s: imported in %.0f ms, %.1f MiB: %s",
                landlines ? "with landline rows" : "mobile rows only", double(timer.elapsed()),
                FileMiB(path), tool.readAllStandardOutput().constData());
    return path;
}

// `count` numbers: `head` and random digits to eleven characters, in random order.
std::vector<QString> SampleNumbers(std::mt19937& random, int count, bool landline) {
    std::vector<QString> numbers;
    for (int i = 0; i < count; ++i) {
        QString number = landline ? QStringLiteral("0") + QString::number(1 + random() % 9)
                                  : QString::number(1300000 + int(random() % 700000));
        while (number.size() < 11) {
            number += QChar(u'0' + int(random() % 10));
        }
        numbers.push_back(number);
    }
    return numbers;
}

// Lookups per second of `first` over `numbers` and of `second` over `others` (as many), taken
// in turns of a few hundred lookups so that both meet the same load on a shared machine.
template <typename First, typename Second>
std::pair<double, double> InTurns(const std::vector<QString>& numbers, First first,
                                  const std::vector<QString>& others, Second second) {
    constexpr std::size_t kTurn = 250;
    constexpr int kRounds = 10;
    qint64 firstNs = 0;
    qint64 secondNs = 0;
    QElapsedTimer timer;
    for (int round = 0; round < kRounds; ++round) {
        for (std::size_t start = 0; start < numbers.size(); start += kTurn) {
            const std::size_t end = std::min(numbers.size(), start + kTurn);
            timer.start();
            for (std::size_t i = start; i < end; ++i) {
                first(numbers[i]);
            }
            firstNs += timer.nsecsElapsed();
            timer.start();
            for (std::size_t i = start; i < end; ++i) {
                second(others[i]);
            }
            secondNs += timer.nsecsElapsed();
        }
    }
    const double lookups = double(kRounds) * double(numbers.size()) * 1e9;
    return {lookups / double(firstNs), lookups / double(secondNs)};
}

int Known(const AttributionDatabase& db, const std::vector<QString>& numbers) {
    int known = 0;
    for (const QString& number : numbers) {
        known += db.GetAttribution(number) != NumberAttribution::UnknownText();
    }
    return known;
}

// The lookup rates of the database without and with the landline rows.
void BenchAttribution(const QString& mobilePath, const QString& landlinePath) {
    AttributionDatabase mobile;
    AttributionDatabase landline;
    if (!mobile.Open(mobilePath) || !landline.Open(landlinePath)) {
        std::printf("attribution: cannot open the imported databases\n");
        return;
    }
    std::mt19937 random(42);
    const std::vector<QString> mobileNumbers = SampleNumbers(random, 20000, false);
    const std::vector<QString> landlineNumbers = SampleNumbers(random, 20000, true);
    std::printf("attribution: %d of %zu sample mobile numbers known, %d of %zu landline numbers\n",
                Known(landline, mobileNumbers), mobileNumbers.size(),
                Known(landline, landlineNumbers), landlineNumbers.size());
    const auto attribution = [](const AttributionDatabase& db) {
        return [&db](const QString& number) {
            db.GetAttribution(number);
        };
    };
    const auto areaCode = [](const AttributionDatabase& db) {
        return [&db](const QString& number) {
            db.Lookup(number);
        };
    };
    const auto [without, with] =
        InTurns(mobileNumbers, attribution(mobile), mobileNumbers, attribution(landline));
    std::printf("attribution: GetAttribution of mobile numbers %.0f lookups/s without landline "
                "rows, %.0f with them (%+.1f %%)\n",
                without, with, 100.0 * (with / without - 1.0));
    const auto [areaWithout, areaWith] =
        InTurns(mobileNumbers, areaCode(mobile), mobileNumbers, areaCode(landline));
    std::printf("attribution: Lookup of mobile numbers %.0f lookups/s without landline "
                "rows, %.0f with them (%+.1f %%)\n",
                areaWithout, areaWith, 100.0 * (areaWith / areaWithout - 1.0));
    const auto [mobileRate, landlineRate] =
        InTurns(mobileNumbers, attribution(landline), landlineNumbers, attribution(landline));
    std::printf("attribution: GetAttribution with landline rows %.0f lookups/s of mobile numbers, "
                "%.0f of landline numbers\n",
                mobileRate, landlineRate);
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
    db.Contacts().InsertDownloaded(contacts, AttributionDatabase());
    std::printf("contacts: %d inserted in one transaction in %.0f ms\n", kContacts,
                double(timer.elapsed()));

    std::size_t count = 0;
    const double load = TimeMs(5, [&] { count = db.Contacts().Load().size(); });
    std::printf("contacts: LoadContacts of %zu contacts %.1f ms (median of 5)\n", count, load);
    for (const char* keyword : {"zw", "138000", "王伟"}) {
        const double search =
            TimeMs(5, [&] { count = db.Contacts().SearchList(QString::fromUtf8(keyword)).size(); });
        std::printf("contacts: SearchContactList(\"%s\") %zu found, %.1f ms (median of 5)\n",
                    keyword, count, search);
    }

    const QString known = contacts[kContacts / 2].phone;
    timer.restart();
    for (int i = 0; i < kCallLogInserts; ++i) {
        const QString number = i % 2 == 0 ? known : QString::number(13900000000LL + i);
        const NumberAttribution where = attribution.Lookup(number);
        db.CallLog().Add(number, where.Place(), where.corp, 3);
    }
    const double seconds = double(timer.nsecsElapsed()) / 1e9;
    std::printf("call log: AddCallLog %.0f inserts/s (%d inserts, each its own committed write, "
                "with %d contacts to look the name up in)\n",
                kCallLogInserts / seconds, kCallLogInserts, kContacts);
    const double loadLog = TimeMs(5, [&] { count = db.CallLog().Load().size(); });
    std::printf("call log: LoadCallLog of %zu rows %.1f ms (median of 5)\n", count, loadLog);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QString binDir = QCoreApplication::applicationDirPath();
    QTemporaryDir work;
    const QString built = binDir + QStringLiteral("/Data/MoblieAreacode.db");
    std::printf("attribution: the built database %s is %.1f MiB\n", qPrintable(built),
                FileMiB(built));
    const bool shared = QFile::exists(kSharedTable);
    std::printf("attribution: importing %s\n",
                shared ? "the shared prefix table (448k prefixes)"
                       : "the generated prefix table (the shared one is absent)");
    const QString table = shared ? kSharedTable : kGeneratedTable;
    const QString mobilePath = ImportTable(work, binDir, table, false);
    const QString landlinePath = ImportTable(work, binDir, table, true);
    if (!mobilePath.isEmpty() && !landlinePath.isEmpty()) {
        BenchAttribution(mobilePath, landlinePath);
    }
    AttributionDatabase attribution;
    attribution.Open(built);
    BenchLocalDatabase(work, binDir, attribution);
    return 0;
}
