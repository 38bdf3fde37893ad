#include "util/PhoneNumber.h"
#include "util/NumberAttribution.h"

#include <gtest/gtest.h>

namespace tamberlink {
namespace {

TEST(PhoneNumber, CleaningKeepsTheDigitsPeopleMean) {
    EXPECT_EQ(PhoneNumber::Clean(QStringLiteral("+86 138-0000-0000")),
              QStringLiteral("13800000000"));
    EXPECT_EQ(PhoneNumber::Clean(QStringLiteral("020-8829 0291")), QStringLiteral("02088290291"));
    // Blanks go first, so a country code written apart still goes.
    EXPECT_EQ(PhoneNumber::Clean(QStringLiteral("+8 6138")), QStringLiteral("138"));
    EXPECT_EQ(PhoneNumber::WithoutCountryCode(QStringLiteral("+86 138-0")),
              QStringLiteral(" 138-0"));
    EXPECT_EQ(PhoneNumber::Digits(QStringLiteral("Tel: +86 138-0000-0000")),
              QStringLiteral("13800000000"));
    // Only ASCII digits: full-width digits are no number for the box.
    EXPECT_EQ(PhoneNumber::Digits(QStringLiteral("１３8x")), QStringLiteral("8"));
}

TEST(PhoneNumber, PrefixesComeOffOnlyWhereTheyBelong) {
    EXPECT_EQ(PhoneNumber::WithoutAreaCode(QStringLiteral("02088290291"), QStringLiteral("020")),
              QStringLiteral("88290291"));
    EXPECT_EQ(PhoneNumber::WithoutAreaCode(QStringLiteral("01088290291"), QStringLiteral("020")),
              QStringLiteral("01088290291"));
    EXPECT_EQ(PhoneNumber::WithoutAreaCode(QStringLiteral("020"), QString()),
              QStringLiteral("020"));

    EXPECT_EQ(PhoneNumber::WithoutIpPrefix(QStringLiteral("1795113800000000")),
              QStringLiteral("13800000000"));
    EXPECT_EQ(PhoneNumber::WithoutIpPrefix(QStringLiteral("1259301012345678")),
              QStringLiteral("01012345678"));
    EXPECT_EQ(PhoneNumber::WithoutIpPrefix(QStringLiteral("17951")), QStringLiteral("17951"));
    EXPECT_EQ(PhoneNumber::WithoutIpPrefix(QStringLiteral("17950123456")),
              QStringLiteral("17950123456"));

    EXPECT_EQ(PhoneNumber::WithoutTrunkZero(QStringLiteral("013800000000")),
              QStringLiteral("13800000000"));
    EXPECT_EQ(PhoneNumber::WithoutTrunkZero(QStringLiteral("01012345678")),
              QStringLiteral("01012345678"));
    EXPECT_EQ(PhoneNumber::WithoutTrunkZero(QStringLiteral("01")), QStringLiteral("01"));
    EXPECT_EQ(PhoneNumber::WithoutTrunkZero(QStringLiteral("02088290291")),
              QStringLiteral("02088290291"));
}

TEST(PhoneNumber, TheDialPrefixFollowsTheDiallingRules) {
    const QString mobile = QStringLiteral("13800000000");
    auto prefix = PhoneNumber::PrefixFor(mobile, QStringLiteral("9"), QStringLiteral("17951"),
                                         false, QStringLiteral("020"), QStringLiteral("010"));
    EXPECT_EQ(prefix.text, QStringLiteral("90"));
    EXPECT_EQ(prefix.counted, 1);

    prefix = PhoneNumber::PrefixFor(mobile, QStringLiteral("9"), QStringLiteral("17951"), true,
                                    QStringLiteral("020"), QStringLiteral("010"));
    EXPECT_EQ(prefix.text, QStringLiteral("9179510"));
    EXPECT_EQ(prefix.counted, 6);

    // A mobile of the local area, or of no known area but compared without case, and a
    // landline number are dialled without the "0".
    prefix = PhoneNumber::PrefixFor(mobile, QString(), QString(), false, QStringLiteral("0a"),
                                    QStringLiteral("0A"));
    EXPECT_EQ(prefix.text, QString());
    prefix = PhoneNumber::PrefixFor(QStringLiteral("88290291"), QString(), QString(), false,
                                    QStringLiteral("020"), QString());
    EXPECT_EQ(prefix.text, QString());
    EXPECT_EQ(prefix.counted, 0);
    prefix = PhoneNumber::PrefixFor(QStringLiteral("23800000000"), QString(), QString(), false,
                                    QStringLiteral("020"), QString());
    EXPECT_EQ(prefix.text, QString());
    prefix = PhoneNumber::PrefixFor(mobile, QString(), QString(), false, QStringLiteral("020"),
                                    QString());
    EXPECT_EQ(prefix.text, QStringLiteral("0"));
    EXPECT_EQ(prefix.counted, 0);
}

TEST(NumberAttribution, TextAndPlaceFromTheParts) {
    const NumberAttribution guangzhou{QStringLiteral("广东"), QStringLiteral("广州"),
                                      QStringLiteral("中国移动"), QStringLiteral("020")};
    EXPECT_EQ(guangzhou.Text(), QStringLiteral("移动|广东广州"));
    EXPECT_EQ(guangzhou.Place(), QStringLiteral("广东广州"));
    const NumberAttribution beijing{QStringLiteral("北京"), QStringLiteral("北京"),
                                    QStringLiteral("中国联通"), QStringLiteral("010")};
    EXPECT_EQ(beijing.Text(), QStringLiteral("联通|北京"));
    EXPECT_EQ(beijing.Place(), QStringLiteral("北京"));

    // Without a city the text is unknown, but the place is the province.
    const NumberAttribution noCity{QStringLiteral("广东"), QString(), QStringLiteral("中国联通"),
                                   QString()};
    EXPECT_EQ(noCity.Text(), QStringLiteral("未知号码"));
    EXPECT_EQ(noCity.Place(), QStringLiteral("广东"));
    EXPECT_EQ(NumberAttribution{}.Text(), NumberAttribution::UnknownText());
    EXPECT_EQ(NumberAttribution{}.Place(), QString());
}

} // namespace
} // namespace tamberlink
