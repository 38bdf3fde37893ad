#include "nuisance/NuisanceRules.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tamberlink {
namespace {

NuisanceRule Rule(int id, const QString& text, const QString& label,
                  NuisanceAction action = NuisanceAction::Reject) {
    NuisanceRule rule;
    rule.id = id;
    rule.label = label;
    rule.action = action;
    EXPECT_TRUE(ParseNuisanceRule(text, rule, nullptr)) << text.toStdString();
    return rule;
}

// The ids of the rules that match, the deciding one first.
std::vector<int> Matching(const NuisanceRules& rules, const QString& number) {
    std::vector<int> ids;
    for (const NuisanceRule& rule : rules.Explain(number).rules) {
        ids.push_back(rule.id);
    }
    return ids;
}

TEST(NuisanceRules, EachKindMatchesWhatItSaysAndTheMostSpecificRuleDecides) {
    const NuisanceRules rules(
        {
            Rule(1, QStringLiteral("400*"), QStringLiteral("推销"), NuisanceAction::LabelOnly),
            Rule(2, QStringLiteral("4001*"), QStringLiteral("贷款"), NuisanceAction::Silent),
            Rule(3, QStringLiteral("4001234567"), QStringLiteral("诈骗")),
            Rule(4, QStringLiteral("95??????"), QStringLiteral("服务号")),
            Rule(5, QStringLiteral("95*"), QStringLiteral("95开头"), NuisanceAction::LabelOnly),
            Rule(6, QStringLiteral("1?8*0000"), QStringLiteral("靓号")),
            Rule(7, QStringLiteral("*8888"), QStringLiteral("尾号")),
            Rule(8, QStringLiteral("*666*"), QStringLiteral("中间")),
            Rule(9, QStringLiteral("无号码"), QStringLiteral("隐藏号码")),
            Rule(10, QStringLiteral("+86 (021) 5555-0000"), QStringLiteral("上海")),
        },
        {});
    const auto decide = [&](const QString& number) {
        return rules.Decide(number, {}, true);
    };

    // The exact number beats both prefixes; the longer prefix beats the shorter; both
    // overlapping prefixes are named, longest first.
    EXPECT_EQ(decide(QStringLiteral("4001234567")).rule->id, 3);
    EXPECT_EQ(Matching(rules, QStringLiteral("4001234567")), (std::vector<int>{3, 2, 1}));
    EXPECT_EQ(decide(QStringLiteral("4001999999")).rule->id, 2);
    EXPECT_EQ(decide(QStringLiteral("4009999999")).rule->id, 1);
    EXPECT_EQ(decide(QStringLiteral("4009999999")).Caption(), QStringLiteral("推销 400*"));
    EXPECT_FALSE(decide(QStringLiteral("4009999999")).Stops());
    EXPECT_TRUE(decide(QStringLiteral("4001999999")).Stops());
    EXPECT_FALSE(decide(QStringLiteral("4001999999")).Rejects());

    // Length and prefix: only 8-digit numbers; other 95 numbers fall to the plain prefix.
    EXPECT_EQ(decide(QStringLiteral("95123456")).rule->id, 4);
    EXPECT_EQ(decide(QStringLiteral("951234567")).rule->id, 5);
    EXPECT_EQ(Matching(rules, QStringLiteral("95123456")), (std::vector<int>{4, 5}));

    // Patterns come last, the one with more digits first.
    EXPECT_EQ(decide(QStringLiteral("13812340000")).rule->id, 6);
    EXPECT_EQ(decide(QStringLiteral("13912348888")).rule->id, 7);
    EXPECT_EQ(decide(QStringLiteral("13966612345")).rule->id, 8);
    EXPECT_EQ(Matching(rules, QStringLiteral("18866608888")), (std::vector<int>{7, 8}));
    EXPECT_FALSE(decide(QStringLiteral("13912345678")).Acts());
    EXPECT_FALSE(decide(QStringLiteral("12340000")).Acts()); // "1?8" needs its third digit

    // Callers as people write them and as the box sends them.
    EXPECT_EQ(decide(QStringLiteral("+86 400-123-4567")).rule->id, 3);
    EXPECT_EQ(decide(QStringLiteral("0086 (400) 1234567")).rule->id, 3);
    EXPECT_EQ(decide(QStringLiteral("021-5555 0000")).rule->id, 10);
    EXPECT_EQ(decide(QStringLiteral("013812340000")).rule->id, 6); // trunk "0" before a mobile
    EXPECT_FALSE(decide(QStringLiteral("abc")).Acts());

    // A withheld caller matches only the rule for no number.
    EXPECT_EQ(decide(QString()).rule->id, 9);
    EXPECT_EQ(decide(QString()).Caption(), QStringLiteral("隐藏号码 无号码"));
}

TEST(NuisanceRules, TheWhitelistAlwaysWinsAndContactsWinUnlessTurnedOff) {
    const NuisanceRules rules({Rule(1, QStringLiteral("138*"), QStringLiteral("推销"))},
                              {{1, QStringLiteral("13800000001"), QStringLiteral("客户"), 0}});
    int asked = 0;
    const auto contact = [&](const QString& number) {
        ++asked;
        return number == QStringLiteral("13800000002");
    };

    const NuisanceVerdict allowed = rules.Decide(QStringLiteral("138-0000-0001"), contact, false);
    EXPECT_EQ(allowed.reason, NuisanceVerdict::Reason::Whitelisted);
    EXPECT_EQ(allowed.rule->id, 1);
    EXPECT_EQ(allowed.whitelisted->note, QStringLiteral("客户"));
    EXPECT_FALSE(allowed.Stops());
    EXPECT_EQ(rules.Explain(QStringLiteral("13800000001")).whitelist.size(), 1u);

    EXPECT_EQ(rules.Decide(QStringLiteral("13800000002"), contact, true).reason,
              NuisanceVerdict::Reason::Contact);
    EXPECT_TRUE(rules.Decide(QStringLiteral("13800000002"), contact, false).Rejects());
    EXPECT_TRUE(rules.Decide(QStringLiteral("13800000003"), contact, true).Rejects());
    // Only the two calls a rule matched with contacts winning asked about a contact.
    EXPECT_EQ(asked, 2);
    EXPECT_FALSE(rules.Decide(QStringLiteral("13900000002"), contact, true).Acts());
    EXPECT_EQ(asked, 2);
}

TEST(NuisanceRules, BadRulesAreRefusedWithAReason) {
    struct Case {
        QString text;
        QString reasonPart;
    };
    const std::vector<Case> cases = {
        {QString(), QStringLiteral("不能为空")},
        {QStringLiteral(" - "), QStringLiteral("不能为空")},
        {QString(40, u'1'), QStringLiteral("超过了32位")},
        {QString(30, u'1') + QStringLiteral("???"), QStringLiteral("超过了32位")},
        {QStringLiteral("*"), QStringLiteral("不能只有“*”")},
        {QStringLiteral("***"), QStringLiteral("不能只有“*”")},
        {QStringLiteral("*?*"), QStringLiteral("没有一位数字")},
        {QStringLiteral("400#"), QStringLiteral("“#”")},
        {QStringLiteral("+1 400"), QStringLiteral("“+”")},
        {QStringLiteral("4OO*"), QStringLiteral("“O”")},
    };
    for (const Case& c : cases) {
        NuisanceRule rule;
        QString error;
        EXPECT_FALSE(ParseNuisanceRule(c.text, rule, &error)) << c.text.toStdString();
        EXPECT_TRUE(error.contains(c.reasonPart))
            << c.text.toStdString() << ": " << error.toStdString();
    }
    // 32 digits are still a number; runs of '*' are one.
    NuisanceRule rule;
    EXPECT_TRUE(ParseNuisanceRule(QString(32, u'9'), rule, nullptr));
    EXPECT_EQ(rule.kind, NuisanceKind::Exact);
    EXPECT_TRUE(ParseNuisanceRule(QStringLiteral("400**"), rule, nullptr));
    EXPECT_EQ(NuisanceRuleText(rule), QStringLiteral("400*"));
    // "01*" keeps its 0: Beijing's numbers start so as much as a mobile with its trunk 0.
    EXPECT_TRUE(ParseNuisanceRule(QStringLiteral("01*"), rule, nullptr));
    EXPECT_EQ(NuisanceRuleText(rule), QStringLiteral("01*"));
}

} // namespace
} // namespace tamberlink
