#include "util/TextCodec.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <regex>
#include <set>

namespace tamberlink {
namespace {

// Runs a test body with TZ set to a fixed zone and restores the previous zone afterwards.
class FixedZone {
public:
    explicit FixedZone(const char* zone) {
        const char* old = std::getenv("TZ");
        hadOld_ = old != nullptr;
        if (hadOld_) {
            old_ = old;
        }
        setenv("TZ", zone, 1);
        tzset();
    }
    ~FixedZone() {
        if (hadOld_) {
            setenv("TZ", old_.c_str(), 1);
        } else {
            unsetenv("TZ");
        }
        tzset();
    }

private:
    bool hadOld_ = false;
    std::string old_;
};

TEST(Guid, HasTheFixedLayoutAndDiffersEachTime) {
    const std::regex layout("^[0-9A-F]{8}-[0-9A-F]{4}-[0-9a-f]{4}-[0-9A-F]{4}-[0-9A-F]{12}$");
    std::set<std::string> seen;
    for (int i = 0; i < 200; ++i) {
        const std::string guid = NewGuidText();
        ASSERT_EQ(guid.size(), 36u);
        EXPECT_TRUE(std::regex_match(guid, layout)) << guid;
        seen.insert(guid);
    }
    EXPECT_EQ(seen.size(), 200u);
}

TEST(Guid, ThirdGroupIsLowerCaseEvenWhenItHoldsLetters) {
    // The version nibble is 4, so the third group has letters only in its last three digits;
    // among many GUIDs some must carry letters there, and they must be lower-case.
    bool sawLetter = false;
    for (int i = 0; i < 200 && !sawLetter; ++i) {
        const std::string third = NewGuidText().substr(14, 4);
        for (char c : third) {
            if (std::isalpha(static_cast<unsigned char>(c))) {
                sawLetter = true;
                EXPECT_TRUE(std::islower(static_cast<unsigned char>(c))) << third;
            }
        }
    }
    EXPECT_TRUE(sawLetter);
}

TEST(TimeText, FormatsLocalTimeWithPadding) {
    FixedZone zone("Asia/Shanghai");
    std::string text;
    ASSERT_TRUE(TimeToText(0, text));
    EXPECT_EQ(text, "1970-01-01 08:00:00");
    ASSERT_TRUE(TimeToText(1457139420, text)); // 2016-03-05 00:57:00 UTC
    EXPECT_EQ(text, "2016-03-05 08:57:00");
}

TEST(TimeText, NegativeValueIsRefusedAndLeavesTheTextAlone) {
    FixedZone zone("Asia/Shanghai");
    std::string text = "unchanged";
    EXPECT_FALSE(TimeToText(-1, text));
    EXPECT_EQ(text, "unchanged");
}

TEST(TimeText, ParsesByPositionWhateverTheSeparators) {
    FixedZone zone("Asia/Shanghai");
    const std::int64_t dashed = TextToTime("2016-03-05 09:07:00");
    EXPECT_EQ(dashed, 1457140020);
    EXPECT_EQ(TextToTime("2016/03/05 09-07-00"), dashed);
    std::string back;
    ASSERT_TRUE(TimeToText(dashed, back));
    EXPECT_EQ(back, "2016-03-05 09:07:00");
}

TEST(TimeText, ShortTextGivesMinusOne) {
    EXPECT_EQ(TextToTime(""), -1);
    EXPECT_EQ(TextToTime("2016-03-05 09:07"), -1);
}

TEST(Hex, DumpHasABlankBeforeEveryUpperCasePair) {
    const std::uint8_t frame[] = {0xA5, 0xA0, 0x04, 0x55};
    EXPECT_EQ(HexDump(frame, 4), " A5 A0 04 55");
    EXPECT_EQ(HexDump(frame, 0), "");
    EXPECT_EQ(HexDump(std::string_view()), "");
}

TEST(Hex, TextToBytesTakesEitherCaseAndRoundTrips) {
    EXPECT_EQ(HexToBytes("A5B2C3"), (std::vector<std::uint8_t>{0xA5, 0xB2, 0xC3}));
    EXPECT_EQ(HexToBytes("a5b2c3"), (std::vector<std::uint8_t>{0xA5, 0xB2, 0xC3}));
    EXPECT_EQ(HexToBytes("a5b"), (std::vector<std::uint8_t>{0xA5}));
    EXPECT_TRUE(HexToBytes("").empty());

    std::string all;
    for (int b = 0; b < 256; ++b) {
        all += char(b);
    }
    std::string text;
    for (char c : HexDump(all)) {
        if (c != ' ') {
            text += c;
        }
    }
    const std::vector<std::uint8_t> bytes = HexToBytes(text);
    ASSERT_EQ(bytes.size(), 256u);
    for (int b = 0; b < 256; ++b) {
        EXPECT_EQ(bytes[b], b);
    }
}

TEST(Utf, RoundTripsChineseAndEmptyText) {
    EXPECT_TRUE(Utf8ToWide("").isEmpty());
    EXPECT_EQ(WideToUtf8(QString()), "");
    const std::string text = "来电弹屏: 开 O'Brien 😀";
    const QString wide = Utf8ToWide(text);
    EXPECT_EQ(wide, QString::fromUtf8(text.c_str()));
    EXPECT_EQ(WideToUtf8(wide), text);
}

TEST(Utf, MalformedSequencesBecomeReplacementCharacters) {
    const QString wide = Utf8ToWide(std::string_view("a\xC3(b\xFF", 5));
    ASSERT_EQ(wide.size(), 5);
    EXPECT_EQ(wide[0], u'a');
    EXPECT_EQ(wide[1], QChar(0xFFFD));
    EXPECT_EQ(wide[2], u'(');
    EXPECT_EQ(wide[3], u'b');
    EXPECT_EQ(wide[4], QChar(0xFFFD));
}

TEST(Utf, ConversionErrorsCarryTheirMessages) {
    EXPECT_STREQ(ConversionError(ConversionError::Kind::InvalidSequence).what(),
                 "Invalid UTF-8 sequence.");
    EXPECT_STREQ(ConversionError(ConversionError::Kind::Failed).what(), "Error in conversion.");
    EXPECT_STREQ(ConversionError(ConversionError::Kind::LengthMismatch).what(), "La falla!");
}

} // namespace
} // namespace tamberlink
