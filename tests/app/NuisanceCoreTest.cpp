#include "CoreTestSupport.h"

#include "../device/BoxSim.h"
#include "../store/StoreTestSupport.h"
#include "app/AppCore.h"
#include "app/DeviceBridge.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>

namespace tamberlink {
namespace {

using test::BoxSim;
using test::BuiltDataFolder;
using test::RawDb;
using test::WaitUntil;

// Records each incoming popup as "popup NUMBER|LABEL".
class PopupSink : public test::RecordingSink {
public:
    void ShowIncomingCall(const IncomingCall& call) override {
        ShowTip("popup " + call.number + "|" + call.nuisanceLabel);
    }
    void SetDeviceIndicator(bool connected) override {
        ShowTip(connected ? "indicator on" : "indicator off");
    }
};

class NuisanceCoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        box_ = std::make_unique<BoxSim>();
        ASSERT_TRUE(box_->Running());
        core_ = std::make_unique<AppCore>(test::TestConfig(docs_.path(), BuiltDataFolder()), sink_);
        ASSERT_TRUE(core_->Start());
        core_->Device().Link().SetPortLister([] { return std::vector<std::string>{}; });
        core_->Device().Link().SetWatchDevices(false);
        ASSERT_TRUE(core_->StartDeviceLink(QString::fromStdString(box_->PortPath())));
        ASSERT_TRUE(WaitUntil([&] { return sink_.Events().contains("tip:indicator on"); }));
        ASSERT_TRUE(box_->WaitForLine("ask missed"));
    }

    std::string Rows(const std::string& sql) {
        return RawDb(docs_.filePath(QStringLiteral("Tamberlink/Data/Tamberlink.db"))).Rows(sql);
    }
    // Rings and waits until the call is in the call log, which is written after its popup
    // would have been shown.
    void Ring(const std::string& number, const std::string& command = "ring") {
        const std::string count = "select count(*) from table_log";
        const int before = std::stoi(Rows(count));
        ASSERT_EQ(box_->Command(command + " " + number), "ok");
        ASSERT_TRUE(WaitUntil([&] { return std::stoi(Rows(count)) == before + 1; })) << number;
    }
    std::string NewestCall() {
        return Rows("select phone, type, nuisance from table_log order by id desc limit 1");
    }
    bool Popped(const QString& number, const QString& label) {
        return sink_.Events().contains(QStringLiteral("tip:popup ") + number + u'|' + label);
    }
    // Whatever its label.
    bool AnyPopup(const QString& number) {
        const QStringList events = sink_.Events();
        return std::any_of(events.begin(), events.end(), [&](const QString& event) {
            return event.startsWith(QStringLiteral("tip:popup ") + number + u'|');
        });
    }
    int RuleId(const QString& number) { return core_->Nuisance().Decide(number, {}).rule->id; }

    int argc_ = 1;
    char arg0_[8] = "test";
    char* argv_[1] = {arg0_};
    QCoreApplication app_{argc_, argv_};
    QTemporaryDir docs_;
    PopupSink sink_;
    std::unique_ptr<BoxSim> box_;
    std::unique_ptr<AppCore> core_;
};

TEST_F(NuisanceCoreTest, RulesDecideOnTheCallerIdBeforeThePopup) {
    NuisanceService& rules = core_->Nuisance();
    ASSERT_TRUE(
        rules.AddRule(QStringLiteral("400*"), QStringLiteral("推销"), NuisanceAction::Reject).Ok());
    ASSERT_TRUE(
        rules.AddRule(QStringLiteral("4001*"), QStringLiteral("贷款"), NuisanceAction::LabelOnly)
            .Ok());
    ASSERT_TRUE(
        rules.AddRule(QStringLiteral("95??????"), QStringLiteral("服务号"), NuisanceAction::Silent)
            .Ok());
    ASSERT_TRUE(rules.AddToWhitelist(QStringLiteral("400-999-9999")).Ok());
    ASSERT_TRUE(core_->AddContact(
        ContactRecord(QStringLiteral("老客户"), QStringLiteral("4005550000"), QString())));

    // Rejected: the box hangs up, the call is logged with its rule, and no popup shows.
    Ring("4000000001");
    EXPECT_TRUE(box_->WaitForLine("hangup"));
    EXPECT_EQ(NewestCall(), "4000000001|3|推销 400*");
    EXPECT_FALSE(AnyPopup(QStringLiteral("4000000001")));
    EXPECT_EQ(Rows("select number, rule_id, rule_text, label, action, note from "
                   "table_nuisance_log"),
              "4000000001|" + std::to_string(RuleId(QStringLiteral("4000000001"))) +
                  "|400*|推销|2|");

    // The longer prefix wins: label only, so the popup shows with its label and the phone
    // rings.
    Ring("4001000002");
    EXPECT_TRUE(Popped(QStringLiteral("4001000002"), QStringLiteral("贷款 4001*")));
    EXPECT_EQ(NewestCall(), "4001000002|3|贷款 4001*");

    // Silenced: logged with the label, no popup, no hang-up.
    Ring("95123456");
    EXPECT_FALSE(AnyPopup(QStringLiteral("95123456")));
    EXPECT_EQ(NewestCall(), "95123456|3|服务号 95??????");

    // The whitelist wins over the reject rule, and so does a contact.
    Ring("4009999999");
    EXPECT_TRUE(Popped(QStringLiteral("4009999999"), QString()));
    EXPECT_EQ(NewestCall(), "4009999999|3|");
    Ring("4005550000");
    EXPECT_TRUE(Popped(QStringLiteral("4005550000"), QString()));
    EXPECT_EQ(box_->Count("hangup"), 1);

    // Unless the user says contacts are not spared.
    ASSERT_TRUE(rules.SetContactsWin(false));
    sink_.Clear();
    Ring("4005550000");
    EXPECT_TRUE(box_->WaitForLine("hangup", 2));
    EXPECT_FALSE(AnyPopup(QStringLiteral("4005550000")));

    // A call on the phone cannot be hung up by the box: it is silenced, and the log says so.
    Ring("4000000003", "ring-phone");
    EXPECT_FALSE(AnyPopup(QStringLiteral("4000000003")));
    EXPECT_EQ(NewestCall(), "4000000003|1|推销 400*");
    EXPECT_EQ(box_->Count("hangup"), 2);
    EXPECT_NE(Rows("select note from table_nuisance_log order by id desc limit 1"), "");

    // Other programs hear of a stopped call as blocked, and of a labelled one with its rule.
    std::uint64_t after = 0;
    std::string events;
    ASSERT_TRUE(core_->Feed().Events().CopyAfter(after, 1 << 20, events));
    const auto event = [&](const std::string& name, const std::string& number) {
        for (std::size_t at = events.find("event: " + name + "\n"); at != std::string::npos;
             at = events.find("event: " + name + "\n", at + 1)) {
            const std::string data = events.substr(at, events.find("\n\n", at) - at);
            if (data.find("\"" + number + "\"") != std::string::npos) {
                return data;
            }
        }
        return std::string();
    };
    EXPECT_NE(event("blocked", "4000000001").find("推销 400*"), std::string::npos) << events;
    EXPECT_NE(event("incoming", "4001000002").find("贷款 4001*"), std::string::npos) << events;
    EXPECT_EQ(event("incoming", "4000000001"), "");

    EXPECT_EQ(rules.Totals().blockedToday, 4);
    EXPECT_EQ(rules.Totals().labelledToday, 1);
    EXPECT_TRUE(sink_.AllOnUiThread());
}

// The box takes no more frames between its caller-ID and the hang-up: the call is still
// stopped and logged as blocked, with a note that the hang-up did not reach the box.
TEST_F(NuisanceCoreTest, ARejectTheBoxCannotTakeIsStillLoggedAsBlocked) {
    ASSERT_TRUE(core_->Nuisance()
                    .AddRule(QStringLiteral("400*"), QStringLiteral("推销"), NuisanceAction::Reject)
                    .Ok());
    ASSERT_EQ(box_->Command("deaf on"), "ok");
    Ring("4000000001");
    EXPECT_EQ(NewestCall(), "4000000001|3|推销 400*");
    EXPECT_FALSE(AnyPopup(QStringLiteral("4000000001")));
    EXPECT_EQ(Rows("select number, action, note from table_nuisance_log"),
              "4000000001|2|设备未连接，挂断指令未能发出");
    EXPECT_EQ(box_->Count("hangup"), 0);
    EXPECT_EQ(core_->Nuisance().Totals().blockedToday, 1);
}

// A caller-ID frame without digits is a withheld caller: ignored as ever, unless a rule for
// callers without a number stops it.
TEST_F(NuisanceCoreTest, AWithheldCallerIsRejectedOnlyByARuleForNoNumber) {
    // Eight bytes of the call's time, then no digits.
    const std::string withheld = "send A5 30 0C 31 32 30 39 31 36 35 30 55";
    ASSERT_EQ(box_->Command(withheld), "ok");
    ASSERT_EQ(box_->Command("ring 13800000000"), "ok");
    ASSERT_TRUE(WaitUntil([&] { return Rows("select count(*) from table_log") == "1"; }));
    EXPECT_EQ(box_->Count("hangup"), 0);

    ASSERT_TRUE(
        core_->Nuisance()
            .AddRule(QStringLiteral("无号码"), QStringLiteral("隐藏号码"), NuisanceAction::Reject)
            .Ok());
    ASSERT_EQ(box_->Command(withheld), "ok");
    EXPECT_TRUE(box_->WaitForLine("hangup"));
    EXPECT_TRUE(WaitUntil([&] { return Rows("select count(*) from table_log") == "2"; }));
    EXPECT_EQ(NewestCall(), "|3|隐藏号码 无号码");
    EXPECT_EQ(Rows("select number, rule_text from table_nuisance_log"), "|无号码");
}

} // namespace
} // namespace tamberlink
