#include "util/PinyinInitials.h"

#include <gtest/gtest.h>

#include <set>

namespace tamberlink {
namespace {

TEST(Initials, TellingRowsOfTheTable) {
    const struct {
        char16_t character;
        char16_t letter;
    } rows[] = {
        {0x4E00, u'y'}, {0x4E01, u'd'}, {0x4E03, u'q'}, {0x4E07, u'w'}, {0x5F20, u'z'},
        {0x738B, u'w'}, {0x674E, u'l'}, {0x9648, u'c'}, {0x6B27, u'o'}, {0x957F, u'z'},
        {0x91CD, u'z'}, {0x884C, u'x'}, {0x671D, u'c'}, {0x66FE, u'c'}, {0x5355, u'd'},
        {0x4E50, u'l'}, {0x67E5, u'c'}, {0x53A6, u's'}, {0x8983, u't'}, {0x9FA5, u'y'},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(kInitialsTable[row.character - kInitialsFirst], row.letter)
            << std::hex << int(row.character);
        EXPECT_EQ(GetInitials(QString(QChar(row.character))), QString(QChar(row.letter - 0x20)));
    }
}

TEST(Initials, TableHas20902LettersWithoutIUV) {
    std::set<char16_t> letters;
    int count = 0;
    while (kInitialsTable[count] != 0) {
        letters.insert(kInitialsTable[count]);
        ++count;
    }
    EXPECT_EQ(count, 20902);
    EXPECT_EQ(count, kInitialsCount);
    for (char16_t c : letters) {
        EXPECT_TRUE(c >= u'a' && c <= u'z') << int(c);
        EXPECT_NE(c, u'i');
        EXPECT_NE(c, u'u');
        EXPECT_NE(c, u'v');
    }
    EXPECT_EQ(letters.size(), 23u);
}

TEST(Initials, NamesMixingScripts) {
    EXPECT_EQ(GetInitials(u"张三"_qs), u"ZS"_qs);
    EXPECT_EQ(GetInitials(u"王小明abc"_qs), u"WXMABC"_qs);
    EXPECT_EQ(GetInitials(u"Li 李"_qs), u"LI L"_qs);
    EXPECT_EQ(GetInitials(u"138张"_qs), u"138Z"_qs);
    EXPECT_EQ(GetInitials(u"O'Brien-2"_qs), u"O'BRIEN-2"_qs);
    EXPECT_TRUE(GetInitials(QString()).isEmpty());
}

TEST(Initials, CharactersOutsideTheBlockPassUnchanged) {
    for (char16_t c : {char16_t(0x4DFF), char16_t(0x9FA6), char16_t(0xFF41), char16_t(0x3400)}) {
        EXPECT_EQ(GetInitials(QString(QChar(c))), QString(QChar(c))) << std::hex << int(c);
    }
    EXPECT_EQ(GetInitials(QString(QChar(0x4E00))), u"Y"_qs);
    EXPECT_EQ(GetInitials(QString(QChar(0x9FA5))), u"Y"_qs);
}

TEST(Initials, SurrogateHalvesPassUnchanged) {
    const QString emoji = QString::fromUtf8("😀张"); // two surrogate halves, then 张
    ASSERT_EQ(emoji.size(), 3);
    const QString initials = GetInitials(emoji);
    ASSERT_EQ(initials.size(), 3);
    EXPECT_EQ(initials[0], emoji[0]);
    EXPECT_EQ(initials[1], emoji[1]);
    EXPECT_EQ(initials[2], u'Z');
}

} // namespace
} // namespace tamberlink
