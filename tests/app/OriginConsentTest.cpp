// The questions web pages put to the user: one on screen at a time, in turns by site, closed
// once nobody waits for them, and answered for one purpose each; and the answers an older
// database kept.
#include "app/OriginConsent.h"
#include "../store/StoreTestSupport.h"
#include "store/LocalDatabase.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

namespace tamberlink {
namespace {

using test::RawDb;
using test::SeedCopy;

class OriginConsentTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(database_.Open(seed_.path()));
        database_.RunMigrations();
        consent_.Load();
    }

    // Asks as a request would; what it was answered, if anything yet, lands in `answers_`.
    std::uint64_t Ask(const std::string& origin, ApiPurpose purpose) {
        const std::size_t slot = answers_.size();
        answers_.emplace_back();
        return consent_.Ask(origin, purpose,
                            [this, slot](bool allowed) { answers_[slot] = allowed; });
    }
    // The question on screen: the last shown and not closed since.
    std::optional<OriginConsent::Question> OnScreen() const {
        if (shown_.empty() ||
            std::find(closed_.begin(), closed_.end(), shown_.back().id) != closed_.end()) {
            return std::nullopt;
        }
        return shown_.back();
    }
    // The user answers the question on screen.
    void Reply(bool allowed) {
        const std::uint64_t id = OnScreen()->id;
        closed_.push_back(id);
        consent_.Answer(id, allowed);
    }

    SeedCopy seed_;
    LocalDatabase database_;
    std::vector<OriginConsent::Question> shown_;
    std::vector<std::uint64_t> closed_;
    std::vector<std::optional<bool>> answers_;
    OriginConsent consent_{database_,
                           {.ask =
                                [this](const OriginConsent::Question& q) {
                                    shown_.push_back(q);
                                    return true;
                                },
                            .close = [this](std::uint64_t id) { closed_.push_back(id); },
                            .revoked = {},
                            .changed = {}}};
};

TEST_F(OriginConsentTest, QuestionsComeOneAtATimeInTurnsAndCloseWithTheirLastRequest) {
    // Two requests of one page wait for one question; another site's waits its turn.
    const std::uint64_t first = Ask("http://a.crm.example", ApiPurpose::Dial);
    const std::uint64_t second = Ask("http://a.crm.example", ApiPurpose::Dial);
    Ask("http://b.crm.example", ApiPurpose::Dial);
    Ask("http://shop.example", ApiPurpose::SendSms);
    ASSERT_NE(first, 0u);
    ASSERT_EQ(shown_.size(), 1u);
    EXPECT_EQ(shown_[0].origin, QStringLiteral("http://a.crm.example"));

    // The question closes only when its last request stops waiting; the other site is next,
    // ahead of the first site's second name.
    consent_.Withdraw(first);
    EXPECT_TRUE(closed_.empty());
    consent_.Withdraw(second);
    ASSERT_EQ(closed_.size(), 1u);
    ASSERT_TRUE(OnScreen());
    EXPECT_EQ(OnScreen()->origin, QStringLiteral("http://shop.example"));
    EXPECT_FALSE(answers_[0] || answers_[1]);

    // An answer counts for its origin and purpose only, and one given to a closed question
    // does nothing.
    consent_.Answer(shown_[0].id, true);
    Reply(true);
    EXPECT_EQ(answers_[3], true);
    ASSERT_TRUE(OnScreen());
    EXPECT_EQ(OnScreen()->origin, QStringLiteral("http://b.crm.example"));
    Reply(false);
    EXPECT_EQ(answers_[2], false);
    EXPECT_FALSE(OnScreen());
    const std::vector<OriginRecord> records = consent_.Origins();
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].origin, QStringLiteral("http://b.crm.example"));
    EXPECT_EQ(records[0].answers[OriginRecord::kDial], false);
    EXPECT_EQ(records[1].origin, QStringLiteral("http://shop.example"));
    EXPECT_EQ(records[1].answers[OriginRecord::kSms], true);
    EXPECT_FALSE(records[1].answers[OriginRecord::kDial].has_value());
    EXPECT_EQ(Ask("http://shop.example", ApiPurpose::SendSms), 0u);
    EXPECT_EQ(answers_.back(), true);
    EXPECT_NE(Ask("http://shop.example", ApiPurpose::Dial), 0u);
}

TEST_F(OriginConsentTest, ASiteWhoseQuestionsGoUnansweredIsRefusedWithoutAskingWhateverItsName) {
    // Each name of the site asks in turn, and its question times out unanswered.
    for (int i = 0; i < OriginConsent::kUnansweredLimit; ++i) {
        const std::uint64_t ticket =
            Ask("https://n" + std::to_string(i) + ".spam.example.com.cn", ApiPurpose::Dial);
        ASSERT_NE(ticket, 0u);
        ASSERT_TRUE(OnScreen());
        consent_.Withdraw(ticket);
        EXPECT_FALSE(OnScreen());
    }
    const std::size_t asked = shown_.size();
    EXPECT_EQ(Ask("https://other.spam.example.com.cn", ApiPurpose::SendSms), 0u);
    EXPECT_EQ(answers_.back(), false);
    EXPECT_EQ(shown_.size(), asked);

    // Another site is still asked, and a site cannot queue more than its share.
    EXPECT_NE(Ask("http://127.0.0.1:8000", ApiPurpose::Dial), 0u);
    EXPECT_EQ(shown_.size(), asked + 1);
    for (ApiPurpose purpose : {ApiPurpose::SendSms, ApiPurpose::Record, ApiPurpose::FollowCalls}) {
        EXPECT_NE(Ask("http://127.0.0.1:8000", purpose), 0u);
    }
    EXPECT_EQ(Ask("http://127.0.0.1:9000", ApiPurpose::Dial), 0u);
    EXPECT_EQ(answers_.back(), false);
}

TEST(OriginAnswers, AnOlderDatabaseKeepsItsRefusalsForEveryPurposeAndItsPermissionsForNone) {
    SeedCopy seed;
    {
        RawDb raw(seed.path());
        raw.Exec("drop table if exists table_origin");
        raw.Exec("create table table_origin(id INTEGER PRIMARY KEY AUTOINCREMENT, "
                 "origin text unique not null, allowed integer not null default 0)");
        raw.Exec("insert into table_origin(origin, allowed) values('http://a.example', 1), "
                 "('http://b.example', 0)");
    }
    for (int start = 0; start < 2; ++start) {
        LocalDatabase database;
        ASSERT_TRUE(database.Open(seed.path()));
        database.RunMigrations();
        const std::vector<OriginRecord> records = database.Origins().Load();
        ASSERT_EQ(records.size(), 2u);
        for (int use = 0; use < OriginRecord::kUses; ++use) {
            EXPECT_EQ(records[0].answers[use], start == 1 && use == OriginRecord::kDial
                                                   ? std::optional<bool>(true)
                                                   : std::nullopt)
                << use;
            EXPECT_EQ(records[1].answers[use], false) << use;
        }
        // What is answered after the first start stays at the next.
        database.Origins().SaveAnswer(QStringLiteral("http://a.example"), OriginRecord::kDial,
                                      true);
    }
    EXPECT_EQ(RawDb(seed.path()).Rows("select allowed from table_origin"), "0\n0");
}

} // namespace
} // namespace tamberlink
