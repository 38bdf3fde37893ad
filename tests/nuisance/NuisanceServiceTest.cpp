#include "nuisance/NuisanceService.h"
#include "../store/StoreTestSupport.h"
#include "store/LocalDatabase.h"

#include <QDateTime>
#include <QFile>

#include <gtest/gtest.h>

#include <atomic>
#include <set>
#include <string>
#include <tuple>

namespace tamberlink {
namespace {

using test::RawDb;
using test::SeedCopy;

// A migrated copy of the seed and the rules over it.
struct RulesOnDisk {
    SeedCopy seed;
    LocalDatabase database;
    NuisanceService rules{database};

    RulesOnDisk() {
        EXPECT_TRUE(database.Open(seed.path())) << database.OpenError().toStdString();
        EXPECT_TRUE(database.RunMigrations()) << database.OpenError().toStdString();
        rules.Load();
    }

    // Each rule as its text, label and action.
    std::set<std::tuple<QString, QString, int>> Rules() {
        std::set<std::tuple<QString, QString, int>> out;
        for (const NuisanceRule& rule : rules.LoadRules()) {
            out.emplace(NuisanceRuleText(rule), rule.label, int(rule.action));
        }
        return out;
    }
};

void WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

TEST(NuisanceService, ARuleFileImportsSkippingItsJunkAndExportsToTheSameRules) {
    RulesOnDisk office;
    QTemporaryDir dir;
    const QString shared = dir.filePath(QStringLiteral("rules.csv"));
    WriteFile(shared, QByteArray("\xEF\xBB\xBF"
                                 "号码,标记,处理\r\n"                                 // 1
                                 "400*,推销,拒接\r\n"                                 // 2
                                 "+86 138-0000-0000\t\"诈骗, 冒充客服\"\t静音\n"      // 3
                                 "95??????,服务号\n"                                  // 4
                                 "(021) 5555 0000,\"他说\"\"您好\"\"\",仅标记\n"      // 5
                                 "# 下面是同事加的\n"                                 // 6
                                 "\n"                                                 // 7
                                 "*,全部,拒接\n"                                      // 8
                                 "1234567890123456789012345678901234567890,长,拒接\n" // 9
                                 "1?8*0000,靓号,reject\n"                             // 10
                                 "abc,字母,拒接\n"                                    // 11
                                 "400123,推销,也许\n"                                 // 12
                                 "无号码,隐藏号码,静音\n"                             // 13
                                 "400*,推销电话,静音\n"                               // 14
                                 "\xFF\xFE\x31\x32\n"                                 // 15
                                 "13900000000,\"未结束的引号\n") +                    // 16
                          QByteArray(5000, '5') +
                          ",太长,拒接\n" +      // 17
                          "4008*,推销,拒接\n"); // 18

    std::vector<std::pair<qint64, qint64>> progress;
    const NuisanceImportReport report = office.rules.Import(
        shared, [&](qint64 done, qint64 total) { progress.emplace_back(done, total); });
    ASSERT_TRUE(report.ok) << report.error.toStdString();
    EXPECT_EQ(report.lines, 18);
    std::vector<qint64> junkLines;
    for (const NuisanceJunkLine& junk : report.junk) {
        junkLines.push_back(junk.line);
        EXPECT_FALSE(junk.reason.isEmpty()) << junk.line;
    }
    EXPECT_EQ(junkLines, (std::vector<qint64>{8, 9, 11, 12, 15, 16, 17}));
    EXPECT_EQ(report.junkCount, 7);
    EXPECT_TRUE(report.junk[0].reason.contains(QStringLiteral("不能只有")));
    EXPECT_TRUE(report.junk[1].reason.contains(QStringLiteral("32位")));
    EXPECT_TRUE(report.junk[3].reason.contains(QStringLiteral("也许")));
    ASSERT_FALSE(progress.empty());
    EXPECT_EQ(progress.back().first, progress.back().second);

    // The later line for 400* took over its label and action.
    const std::set<std::tuple<QString, QString, int>> expected = {
        {QStringLiteral("400*"), QStringLiteral("推销电话"), 1},
        {QStringLiteral("13800000000"), QStringLiteral("诈骗, 冒充客服"), 1},
        {QStringLiteral("95??????"), QStringLiteral("服务号"), 0},
        {QStringLiteral("02155550000"), QStringLiteral("他说\"您好\""), 0},
        {QStringLiteral("1?8*0000"), QStringLiteral("靓号"), 2},
        {QStringLiteral("无号码"), QStringLiteral("隐藏号码"), 1},
        {QStringLiteral("4008*"), QStringLiteral("推销"), 2},
    };
    EXPECT_EQ(office.Rules(), expected);
    // In use at once.
    EXPECT_EQ(office.rules.Decide(QStringLiteral("4000000000"), {}).Caption(),
              QStringLiteral("推销电话 400*"));

    const QString exported = dir.filePath(QStringLiteral("exported.csv"));
    QString error;
    ASSERT_TRUE(office.rules.Export(exported, &error)) << error.toStdString();
    QFile written(exported);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(written.readAll());
    EXPECT_TRUE(text.contains(QStringLiteral("\n13800000000,\"诈骗, 冒充客服\",静音\n")));
    EXPECT_TRUE(text.contains(QStringLiteral("\n02155550000,\"他说\"\"您好\"\"\",仅标记\n")));

    RulesOnDisk colleague;
    const NuisanceImportReport again = colleague.rules.Import(exported);
    ASSERT_TRUE(again.ok) << again.error.toStdString();
    EXPECT_EQ(again.junkCount, 0);
    EXPECT_EQ(again.imported, 7);
    EXPECT_EQ(colleague.Rules(), expected);

    // A file that is not there, or a folder, says so and changes nothing.
    for (const QString& bad : {dir.filePath(QStringLiteral("missing.csv")), dir.path()}) {
        const NuisanceImportReport refused = colleague.rules.Import(bad);
        EXPECT_FALSE(refused.ok);
        EXPECT_FALSE(refused.error.isEmpty());
    }
    EXPECT_EQ(colleague.Rules(), expected);
    // An export to a folder that does not exist fails, leaving nothing behind.
    EXPECT_FALSE(colleague.rules.Export(dir.filePath(QStringLiteral("no/such.csv")), &error));
    EXPECT_FALSE(error.isEmpty());
}

TEST(NuisanceService, AnImportStoppedHalfwayLeavesTheRulesAsTheyWere) {
    RulesOnDisk office;
    ASSERT_TRUE(
        office.rules.AddRule(QStringLiteral("400*"), QStringLiteral("推销"), NuisanceAction::Reject)
            .Ok());
    QTemporaryDir dir;
    const QString big = dir.filePath(QStringLiteral("big.txt"));
    QByteArray lines;
    for (int i = 0; i < 20000; ++i) {
        lines += "1390000" + QByteArray::number(i).rightJustified(4, '0') + "\t推销\t拒接\n";
    }
    WriteFile(big, lines);

    // Stopped once the first few thousand rules have been staged.
    std::atomic<bool> cancel{false};
    const NuisanceImportReport stopped = office.rules.Import(
        big, [&](qint64, qint64) { cancel = true; }, &cancel);
    EXPECT_FALSE(stopped.ok);
    EXPECT_TRUE(stopped.cancelled);
    EXPECT_EQ(office.rules.LoadRules().size(), 1u);
    EXPECT_EQ(office.rules.Current()->RuleCount(), 1u);
    EXPECT_FALSE(office.rules.Decide(QStringLiteral("13900001234"), {}).Acts());

    const NuisanceImportReport whole = office.rules.Import(big);
    ASSERT_TRUE(whole.ok) << whole.error.toStdString();
    EXPECT_EQ(whole.imported, 20000);
    EXPECT_EQ(office.rules.LoadRules().size(), 20001u);
    EXPECT_TRUE(office.rules.Decide(QStringLiteral("13900001234"), {}).Rejects());
}

TEST(NuisanceService, EditsNotANuisanceBlockThisNumberAndTheCountsBySql) {
    RulesOnDisk office;
    NuisanceService& rules = office.rules;
    const NuisanceEdit prefix =
        rules.AddRule(QStringLiteral("400*"), QStringLiteral("推销"), NuisanceAction::Reject);
    ASSERT_TRUE(prefix.Ok()) << prefix.error.toStdString();
    const NuisanceEdit same =
        rules.AddRule(QStringLiteral("400 *"), QStringLiteral("别的"), NuisanceAction::Silent);
    EXPECT_FALSE(same.Ok());
    EXPECT_TRUE(same.error.contains(QStringLiteral("已有规则")));
    EXPECT_FALSE(rules.AddRule(QStringLiteral("*"), {}, NuisanceAction::Reject).Ok());
    const NuisanceEdit wordy =
        rules.AddRule(QStringLiteral("401*"), QString(65, u'推'), NuisanceAction::Reject);
    EXPECT_TRUE(wordy.error.contains(QStringLiteral("64"))) << wordy.error.toStdString();
    EXPECT_EQ(rules.LoadRules().size(), 1u);

    // "Not a nuisance" for one number of the prefix, then "block this number" for it again.
    EXPECT_TRUE(rules.AddToWhitelist(QStringLiteral("400-800-1234"), QStringLiteral("快递")).Ok());
    EXPECT_EQ(rules.Decide(QStringLiteral("4008001234"), {}).reason,
              NuisanceVerdict::Reason::Whitelisted);
    const NuisanceEdit blocked = rules.BlockNumber(QStringLiteral("4008001234"),
                                                   QStringLiteral("骚扰"), NuisanceAction::Silent);
    ASSERT_TRUE(blocked.Ok());
    EXPECT_TRUE(rules.LoadWhitelist().empty());
    const NuisanceVerdict now = rules.Decide(QStringLiteral("4008001234"), {});
    EXPECT_EQ(now.rule->id, blocked.id);
    EXPECT_TRUE(now.Stops());
    EXPECT_FALSE(now.Rejects());

    // An edit that would duplicate another rule is refused; a proper one is in use at once.
    EXPECT_FALSE(
        rules.UpdateRule(blocked.id, QStringLiteral("400*"), {}, NuisanceAction::Reject).Ok());
    EXPECT_TRUE(rules
                    .UpdateRule(prefix.id, QStringLiteral("4001*"), QStringLiteral("推销"),
                                NuisanceAction::LabelOnly)
                    .Ok());
    EXPECT_FALSE(rules.Decide(QStringLiteral("4009999999"), {}).Acts());

    // Contacts win until the user turns that off, and the choice is kept.
    EXPECT_TRUE(rules.ContactsWin());
    EXPECT_TRUE(rules.SetContactsWin(false));
    NuisanceService reopened(office.database);
    reopened.Load();
    EXPECT_FALSE(reopened.ContactsWin());

    const NuisanceRule prefixRule = *rules.Decide(QStringLiteral("4001000000"), {}).rule;
    EXPECT_GT(rules.LogCall(QStringLiteral("4001000000"), prefixRule), 0);
    EXPECT_GT(rules.LogCall(QStringLiteral("4008001234"), *now.rule), 0);
    EXPECT_GT(rules.LogCall(QStringLiteral("4008001234"), *now.rule, QStringLiteral("挂断失败")),
              0);
    const qint64 lastWeek = QDateTime::currentSecsSinceEpoch() - 7 * 24 * 3600;
    RawDb(office.seed.path())
        .Exec("insert into table_nuisance_log(time, number, rule_id, action) values(" +
              std::to_string(lastWeek) + ", '4008001234', " + std::to_string(blocked.id) + ", 1)");

    const NuisanceTotals totals = rules.Totals();
    EXPECT_EQ(totals.blockedToday, 2);
    EXPECT_EQ(totals.blockedAll, 3);
    EXPECT_EQ(totals.labelledToday, 1);
    EXPECT_EQ(totals.labelledAll, 1);
    const std::vector<NuisanceRuleCount> counts = rules.CountsByRule();
    ASSERT_EQ(counts.size(), 2u);
    EXPECT_EQ(counts[1].ruleId, blocked.id);
    EXPECT_EQ(counts[1].today, 2);
    EXPECT_EQ(counts[1].all, 3);
    for (const NuisanceRule& rule : rules.LoadRules()) {
        EXPECT_EQ(rule.hits, rule.id == blocked.id ? 3 : 1);
        EXPECT_GT(rule.lastHit, lastWeek);
    }
    const std::vector<NuisanceLogRecord> log = rules.LoadLog(2);
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[0].time, lastWeek);
    EXPECT_EQ(log[1].note, QStringLiteral("挂断失败"));
    EXPECT_EQ(log[1].ruleText, QStringLiteral("4008001234"));
    EXPECT_EQ(log[1].label, QStringLiteral("骚扰"));

    // Rules removed stop at once; their calls stay in the log.
    EXPECT_TRUE(rules.RemoveRules({prefix.id, blocked.id}));
    EXPECT_FALSE(rules.Decide(QStringLiteral("4008001234"), {}).Acts());
    EXPECT_EQ(rules.Totals().blockedAll, 3);
}

} // namespace
} // namespace tamberlink
