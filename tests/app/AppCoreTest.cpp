#include "CoreTestSupport.h"

#include "../store/StoreTestSupport.h"
#include "app/AppCore.h"
#include "store/Schema.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <atomic>
#include <ctime>
#include <thread>

namespace tamberlink {
namespace {

using test::BuiltDataFolder;
using test::FakeBox;
using test::RawDb;
using test::RecordingSink;
using test::WaitUntil;

class CoreTest : public ::testing::Test {
protected:
    std::unique_ptr<AppCore> NewCore(const QString& dataFolder = BuiltDataFolder()) {
        auto core = std::make_unique<AppCore>(test::TestConfig(docs_.path(), dataFolder), sink_);
        sink_.Follow(*core);
        return core;
    }
    void StartCore(const QString& dataFolder = BuiltDataFolder()) {
        core_ = NewCore(dataFolder);
        ASSERT_TRUE(core_->Start());
    }
    QString Root() const { return docs_.filePath(QStringLiteral("Tamberlink")); }
    QString UserDatabase() const { return Root() + QStringLiteral("/Data/Tamberlink.db"); }
    std::string Setting(const char* name, const char* column = "value2") {
        return RawDb(UserDatabase())
            .Rows(std::string("select ") + column + " from table_setting where name='" + name +
                  "'");
    }

    int argc_ = 1;
    char arg0_[8] = "test";
    char* argv_[1] = {arg0_};
    QCoreApplication app_{argc_, argv_};
    QTemporaryDir docs_;
    RecordingSink sink_;
    std::unique_ptr<AppCore> core_;
};

TEST_F(CoreTest, FirstStartCopiesTheSeedAndLaterStartsKeepTheUserDatabase) {
    StartCore();
    for (const char* folder : {"Log", "Rec", "Data"}) {
        EXPECT_TRUE(QDir(Root()).exists(QString::fromLatin1(folder))) << folder;
    }
    EXPECT_EQ(core_->DataRoot(), Root());
    SettingsStore& settings = core_->Settings();
    EXPECT_EQ(settings.PopOff(), 1);
    EXPECT_EQ(settings.Auto(), 0);
    EXPECT_EQ(settings.AreaCode(), QString());
    EXPECT_EQ(Setting("auto_admin", "value1 || value2"), "00");

    core_->SetAreaCode(QStringLiteral("020"));
    core_->SetIpCode(QStringLiteral("17951"));
    core_->SetSwitchIP(1);
    core_->SetPopOff(0);
    core_->SetProxy(QStringLiteral("proxy.example:3128"));
    ASSERT_TRUE(core_->SaveLogin(QStringLiteral("13800000000"), QStringLiteral("pw"), true));
    ASSERT_TRUE(core_->AddCallLog(QStringLiteral("13800000000"), {}, {}, 3));
    core_->Shutdown();
    EXPECT_FALSE(core_->Database().IsOpen());

    StartCore();
    const SettingsStore& again = core_->Settings();
    EXPECT_EQ(again.AreaCode(), QStringLiteral("020"));
    EXPECT_EQ(again.IpCode(), QStringLiteral("17951"));
    EXPECT_EQ(again.SwitchIP(), 1);
    EXPECT_EQ(again.PopOff(), 0);
    EXPECT_EQ(again.Proxy(), QStringLiteral("proxy.example:3128"));
    const RememberedPassword::Offer& offer = core_->Cloud()->Account().Remembered().Offered();
    EXPECT_EQ(offer.account, QStringLiteral("13800000000"));
    EXPECT_TRUE(offer.remember);
    EXPECT_EQ(offer.digest, LoginDigest(QStringLiteral("13800000000"), QStringLiteral("pw")));
    EXPECT_EQ(core_->Database().CallLog().Load().size(), 1u);
    EXPECT_EQ(core_->GetAttribution(QStringLiteral("13800000000")), QStringLiteral("移动|北京"));
}

TEST_F(CoreTest, ReadOnlySeedGivesAWritableUserCopy) {
    QTemporaryDir data;
    const QString seed = data.filePath(QStringLiteral("Tamberlink.db"));
    ASSERT_TRUE(QFile::copy(BuiltDataFolder() + QStringLiteral("/Tamberlink.db"), seed));
    QFile::setPermissions(seed, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
    StartCore(data.path());
    EXPECT_TRUE(core_->AddCallLog(QStringLiteral("1"), {}, {}, 3));
}

TEST_F(CoreTest, UnopenableUserDatabaseIsReportedAndTheCoreRunsOn) {
    ASSERT_TRUE(QDir().mkpath(UserDatabase())); // a folder where the file belongs
    core_ = NewCore();
    testing::internal::CaptureStderr();
    EXPECT_FALSE(core_->Start());
    const std::string errors = testing::internal::GetCapturedStderr();
    EXPECT_EQ(errors.rfind("无法打开数据库: ", 0), 0u) << errors;
    EXPECT_EQ(core_->Settings().PopOff(), 0);
    testing::internal::CaptureStderr();
    EXPECT_FALSE(core_->AddCallLog(QStringLiteral("1"), {}, {}, 3));
    testing::internal::GetCapturedStderr();
    EXPECT_TRUE(core_->Database().CallLog().Load().empty());
    core_->SetAreaCode(QStringLiteral("020"));
    EXPECT_EQ(core_->Settings().AreaCode(), QStringLiteral("020"));
}

TEST_F(CoreTest, ADatabaseFromANewerProgramIsRefusedWithANoticeAndLeftUntouched) {
    ASSERT_TRUE(QDir().mkpath(Root() + QStringLiteral("/Data")));
    ASSERT_TRUE(QFile::copy(BuiltDataFolder() + QStringLiteral("/Tamberlink.db"), UserDatabase()));
    QFile::setPermissions(UserDatabase(), QFile::ReadOwner | QFile::WriteOwner);
    {
        RawDb raw(UserDatabase());
        raw.Exec("PRAGMA journal_mode=WAL");
        raw.Exec("create table table_next(id INTEGER PRIMARY KEY, what text)");
        raw.Exec("insert into table_log(name, phone, type) values('a', '1', 3)");
        raw.Exec("PRAGMA user_version=" + std::to_string(kSchemaVersion + 1));
    }
    auto bytes = [this] {
        QFile file(UserDatabase());
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        return file.readAll();
    };
    const QByteArray before = bytes();

    core_ = NewCore();
    testing::internal::CaptureStderr();
    EXPECT_FALSE(core_->Start());
    const std::string errors = testing::internal::GetCapturedStderr();
    EXPECT_EQ(errors.rfind("无法打开数据库: ", 0), 0u) << errors;
    EXPECT_TRUE(WaitUntil([this] {
        return sink_.Events().contains(
            QStringLiteral("tip:数据库来自更新版本的Tamberlink，请升级后再打开"));
    })) << sink_.Events().join(u' ').toStdString();
    EXPECT_FALSE(core_->Database().IsOpen());
    EXPECT_TRUE(core_->Database().CallLog().Load().empty());
    core_->Shutdown();

    EXPECT_EQ(bytes(), before);
    EXPECT_EQ(QDir(Root() + QStringLiteral("/Data")).entryList(QDir::Files),
              QStringList{QStringLiteral("Tamberlink.db")});
}

TEST_F(CoreTest, MissingAttributionFileGivesTheDefaults) {
    QTemporaryDir data;
    ASSERT_TRUE(QFile::copy(BuiltDataFolder() + QStringLiteral("/Tamberlink.db"),
                            data.filePath(QStringLiteral("Tamberlink.db"))));
    core_ = NewCore(data.path());
    testing::internal::CaptureStderr();
    EXPECT_TRUE(core_->Start());
    EXPECT_NE(testing::internal::GetCapturedStderr().find("无法打开数据库: "), std::string::npos);
    EXPECT_FALSE(QFile::exists(data.filePath(QStringLiteral("MoblieAreacode.db"))));
    EXPECT_EQ(core_->GetAttribution(QStringLiteral("13800000000")), QStringLiteral("未知号码"));
    EXPECT_EQ(core_->Attribution().Lookup(QStringLiteral("13800000000")).areaCode, QString());
    ASSERT_TRUE(
        core_->AddContact(ContactRecord(QStringLiteral("a"), QStringLiteral("13800000000"), {})));
    EXPECT_EQ(core_->LoadContacts().at(0).attribution, QStringLiteral("未知号码"));
    EXPECT_EQ(core_->Settings().PopOff(), 1);
}

TEST_F(CoreTest, ExtensionAndAreaCodeAreEchoedToTheBoxAndLongAreaCodesRefused) {
    StartCore();
    FakeBox box;
    core_->AttachBoxLink(&box);
    core_->SetFenjiCode(QStringLiteral("9"));
    core_->SetAreaCode(QStringLiteral("020"));
    core_->SetAreaCode(QStringLiteral("020123"));
    ASSERT_EQ(box.frames.size(), 2u);
    EXPECT_EQ(box.frames[0], "A5 50 05 39 55");
    EXPECT_EQ(box.frames[1], "A5 60 07 30 32 30 55");
    EXPECT_EQ(core_->Settings().AreaCode(), QStringLiteral("020"));
    EXPECT_EQ(Setting("areaCode", "value1"), "020");
    EXPECT_EQ(Setting("fenjiCode", "value1"), "9");
    // Frames with text are built in 32 bytes: a longer extension is stored but not sent.
    core_->SetFenjiCode(QString(28, u'1'));
    core_->SetFenjiCode(QString(29, u'1'));
    ASSERT_EQ(box.frames.size(), 3u);
    EXPECT_EQ(box.frames[2].size(), 32u * 3 - 1);
    EXPECT_EQ(core_->Settings().FenjiCode(), QString(29, u'1'));
}

TEST_F(CoreTest, AutomaticRecordingIsStoredAndToldToTheBox) {
    StartCore();
    FakeBox box;
    core_->AttachBoxLink(&box);
    core_->SetAuto(false, true);
    EXPECT_EQ(Setting("auto"), "1");
    EXPECT_TRUE(core_->Settings().IsAutoRecordOn());
    core_->SetAuto(true, false);
    EXPECT_EQ(Setting("auto_admin"), "0");
    EXPECT_EQ(Setting("auto"), "0");
    EXPECT_FALSE(core_->Settings().IsAutoRecordOn());
    ASSERT_EQ(box.frames.size(), 2u);
    EXPECT_EQ(box.frames[0], "A5 A2 04 55");
    EXPECT_EQ(box.frames[1], "A5 A3 04 55");

    // Without the box the choice is stored all the same and the user is told.
    box.connected = false;
    core_->SetAuto(true, true);
    EXPECT_EQ(box.frames.size(), 2u);
    EXPECT_EQ(Setting("auto_admin"), "1");
    EXPECT_EQ(Setting("auto"), "0");
    EXPECT_EQ(core_->Settings().Auto(), 1);
    EXPECT_EQ(core_->Settings().AutoAdmin(), 1);
    core_->AttachBoxLink(nullptr);
    core_->SetAuto(false, false);
    EXPECT_EQ(sink_.Events(), QStringList({QStringLiteral("tip:请先连接设备后在设置自动录音"),
                                           QStringLiteral("tip:请先连接设备后在设置自动录音")}));
}

TEST_F(CoreTest, ScreenCaptureChangesWithinTwoSecondsAreIgnored) {
    StartCore();
    EXPECT_TRUE(core_->SetScreenOff(1));
    EXPECT_FALSE(core_->SetScreenOff(0));
    EXPECT_EQ(core_->Settings().ScreenOff(), 1);
    EXPECT_EQ(Setting("screenoff"), "1");

    SettingsStore& settings = core_->Settings();
    const std::int64_t later = std::time(nullptr) + 100;
    EXPECT_TRUE(settings.SetScreenOff(0, later));
    EXPECT_FALSE(settings.SetScreenOff(1, later + 2));
    EXPECT_TRUE(settings.SetScreenOff(1, later + 5));
    EXPECT_EQ(Setting("screenoff"), "1");
}

TEST_F(CoreTest, AFailedProxyWriteShowsTheNotice) {
    StartCore();
    RawDb(UserDatabase()).Exec("drop table table_setting");
    core_->SetProxy(QStringLiteral("p:1"));
    EXPECT_EQ(core_->Settings().Proxy(), QStringLiteral("p:1"));
    EXPECT_EQ(sink_.Events(), QStringList({QStringLiteral("tip:保存代理错误")}));
}

TEST_F(CoreTest, WritesReportTheirRowsOnTheUiThread) {
    StartCore();
    std::thread worker([&] {
        core_->AddCallLog(QStringLiteral("13800000000"), {}, {}, 1);
        core_->AddSms(QStringLiteral("13800000000"), QStringLiteral("hi"), {});
        core_->SaveTemplate({-1, QStringLiteral("t"), QStringLiteral("c")});
        core_->ShowTip(QStringLiteral("from a worker"));
    });
    ASSERT_TRUE(WaitUntil([&] { return sink_.Events().size() == 4; }));
    worker.join();
    const int call = core_->Database().CallLog().Load().at(0).id;
    EXPECT_EQ(
        sink_.Events(),
        QStringList({QStringLiteral("CallLogRows:%1").arg(call), QStringLiteral("ReloadSmsList"),
                     QStringLiteral("ReloadTemplateList"), QStringLiteral("tip:from a worker")}));
    EXPECT_TRUE(sink_.AllOnUiThread());

    sink_.Clear();
    const ContactRecord zhang(QStringLiteral("张三"), QStringLiteral("13800000000"), {});
    ASSERT_TRUE(core_->AddContact(zhang, true));
    ASSERT_TRUE(core_->AddContact(zhang)); // stored already: nothing to show
    EXPECT_TRUE(sink_.Events().isEmpty());
    // Only the numbers stored are shown, as stored.
    ASSERT_TRUE(core_->AddContact(ContactRecord(
        QStringLiteral("李四"), QStringLiteral("13800000000;+86 139-0000-0000"), {})));
    EXPECT_EQ(sink_.Events(), QStringList({QStringLiteral("added:13900000000")}));
    sink_.Clear();
    ContactRecord edited = core_->LoadContacts().at(0);
    edited.name = QStringLiteral("张三丰");
    ASSERT_TRUE(core_->UpdateContact(edited));
    EXPECT_EQ(sink_.Events(),
              QStringList({QStringLiteral("ReloadContacts"), QStringLiteral("ReloadCallLog"),
                           QStringLiteral("ReloadSmsList"), QStringLiteral("ReloadNoteList")}));

    sink_.Clear();
    RawDb(UserDatabase()).Exec("drop table table_contact");
    EXPECT_FALSE(core_->UpdateContact(edited));
    EXPECT_EQ(sink_.Events(), QStringList({QStringLiteral("tip:编辑联系人出错")}));
}

// Notes report themselves and the call they were written for; a deleted note's call hears
// of it too, so that its mark can go.
TEST_F(CoreTest, NotesReportTheirRowsAndTheirCalls) {
    StartCore();
    ASSERT_TRUE(core_->AddCallLog(QStringLiteral("1"), {}, {}, 3));
    const int call = core_->Database().CallLog().Load().at(0).id;
    sink_.Clear();
    std::thread([&] {
        ASSERT_TRUE(core_->AddNote({}, {}, {}, {}, QStringLiteral("for the call"), call));
    }).join();
    ASSERT_TRUE(WaitUntil([&] { return sink_.Events().size() == 2; }));
    const int forCall = core_->GetNoteForCall(call)->id;
    EXPECT_EQ(sink_.Events(), QStringList({QStringLiteral("NoteRows:%1").arg(forCall),
                                           QStringLiteral("CallLogRows:%1").arg(call)}));
    EXPECT_TRUE(sink_.AllOnUiThread());

    sink_.Clear();
    ASSERT_TRUE(core_->AddNote({}, {}, {}, {}, QStringLiteral("alone"), 0));
    const int alone = core_->Database().Notes().Load(std::time(nullptr)).at(0).id;
    ASSERT_TRUE(core_->UpdateNote(alone, {}, {}, {}, {}, QStringLiteral("edited")));
    EXPECT_EQ(sink_.Events(), QStringList({QStringLiteral("NoteRows:%1").arg(alone),
                                           QStringLiteral("NoteRows:%1").arg(alone)}));

    sink_.Clear();
    ASSERT_TRUE(core_->DeleteNotes({alone, forCall}));
    EXPECT_EQ(sink_.Events(), QStringList({QStringLiteral("CallLogRows:%1").arg(call)}));
    EXPECT_FALSE(core_->Database().CallLog().Load().at(0).hasNote);
}

TEST_F(CoreTest, RecordingsLinkToTheNewestCallOnce) {
    StartCore();
    ASSERT_TRUE(core_->AddCallLog(QStringLiteral("1"), {}, {}, 3));
    sink_.Clear();
    const QString guid = QStringLiteral("0A1B2C3D-0000-4000-8000-000000000001");
    std::thread([&] { core_->LinkRecordingToCallLog(guid); }).join();
    ASSERT_TRUE(WaitUntil([&] { return !sink_.Events().isEmpty(); }));
    const CallLogRecord linked = core_->Database().CallLog().Load().at(0);
    EXPECT_EQ(sink_.Events(), QStringList({QStringLiteral("CallLogRows:%1").arg(linked.id)}));
    EXPECT_EQ(linked.recordGuid, guid);

    ASSERT_TRUE(core_->AddCallLog(QStringLiteral("2"), {}, {}, 3));
    RawDb(UserDatabase())
        .Exec("create trigger refuse before update on table_log begin "
              "select raise(abort, 'refused'); end");
    sink_.Clear();
    core_->LinkRecordingToCallLog(guid);
    EXPECT_EQ(sink_.Events(),
              QStringList({QStringLiteral("tip:保存通话记录中录音文件出错，错误：refused")}));
}

TEST_F(CoreTest, RunOnUiThreadWaitsForTheUiThreadAndRefusesOnceShutdownBegins) {
    StartCore();
    std::atomic<bool> finished{false};
    bool result = false;
    bool ranOnUi = false;
    std::thread worker([&] {
        result = core_->RunOnUiThread([&] { ranOnUi = QThread::currentThread() == app_.thread(); });
        finished = true;
    });
    ASSERT_TRUE(WaitUntil([&] { return finished.load(); }));
    worker.join();
    EXPECT_TRUE(result);
    EXPECT_TRUE(ranOnUi);

    // A worker waiting on a UI thread that no longer serves events is let go by Shutdown.
    std::atomic<bool> calling{false};
    std::atomic<bool> ran{false};
    finished = false;
    std::thread blocked([&] {
        calling = true;
        result = core_->RunOnUiThread([&] { ran = true; });
        finished = true;
    });
    while (!calling) {
        std::this_thread::yield();
    }
    core_->Shutdown();
    blocked.join();
    EXPECT_FALSE(result);
    QCoreApplication::processEvents();
    EXPECT_FALSE(ran);
    EXPECT_FALSE(core_->RunOnUiThread([&] { ran = true; }));
    core_->PostToUiThread([&] { ran = true; });
    QCoreApplication::processEvents();
    EXPECT_FALSE(ran);
}

TEST_F(CoreTest, NoteRemindersFireWhenDueAndStopWithTheirNote) {
    StartCore();
    const QString soon = QString::number(std::time(nullptr) + 4);
    ASSERT_TRUE(core_->AddNote({}, {}, {}, soon, QStringLiteral("first"), 0));
    ASSERT_TRUE(core_->AddNote({}, {}, {}, soon, QStringLiteral("second"), 0));
    ASSERT_TRUE(core_->AddNote({}, {}, {}, QString::number(std::time(nullptr) + 3600),
                               QStringLiteral("later"), 0));
    const std::vector<NoteRecord> notes = core_->Database().Notes().Load(std::time(nullptr));
    ASSERT_EQ(notes.size(), 3u);
    const int later = notes[0].id;
    const int second = notes[1].id;
    const int first = notes[2].id;
    EXPECT_EQ(core_->ActiveNoteTimerIds(),
              std::vector<int>(
                  {kNoteTimerBase + first, kNoteTimerBase + second, kNoteTimerBase + later}));

    ASSERT_TRUE(core_->DeleteNotes({second}));
    ASSERT_TRUE(core_->UpdateNote(later, {}, {}, {}, {}, QStringLiteral("no reminder")));
    EXPECT_EQ(core_->ActiveNoteTimerIds(), std::vector<int>({kNoteTimerBase + first}));
    sink_.Clear();
    const QString fired = QStringLiteral("reminder:") + QString::number(first);
    ASSERT_TRUE(WaitUntil([&] { return sink_.Events().contains(fired); }));
    EXPECT_EQ(sink_.Events(), QStringList({fired}));
    EXPECT_TRUE(core_->ActiveNoteTimerIds().empty());

    // After a restart the reminders ahead are read in the background; notes changed before
    // that read lands keep what the change said, and a reminder due soon still fires.
    const QString hour = QString::number(std::time(nullptr) + 3600);
    const int kept = core_->AddNoteWithId({}, {}, {}, hour, QStringLiteral("kept"), 0);
    const int cleared = core_->AddNoteWithId({}, {}, {}, hour, QStringLiteral("cleared"), 0);
    const int deleted = core_->AddNoteWithId({}, {}, {}, hour, QStringLiteral("deleted"), 0);
    const int due = core_->AddNoteWithId({}, {}, {}, QString::number(std::time(nullptr) + 3),
                                         QStringLiteral("due"), 0);
    core_->Shutdown();
    StartCore();
    ASSERT_TRUE(core_->UpdateNote(cleared, {}, {}, {}, {}, QStringLiteral("cleared")));
    ASSERT_TRUE(core_->DeleteNotes({deleted}));
    ASSERT_TRUE(WaitUntil([&] { return !core_->ActiveNoteTimerIds().empty(); }));
    EXPECT_EQ(core_->ActiveNoteTimerIds(),
              std::vector<int>({kNoteTimerBase + kept, kNoteTimerBase + due}));
    sink_.Clear();
    const QString dueFired = QStringLiteral("reminder:") + QString::number(due);
    ASSERT_TRUE(WaitUntil([&] { return sink_.Events().contains(dueFired); }));
    EXPECT_EQ(core_->ActiveNoteTimerIds(), std::vector<int>({kNoteTimerBase + kept}));
}

TEST_F(CoreTest, ShutdownDeletesTheCookieAndPicturesOnly) {
    StartCore();
    ASSERT_TRUE(core_->AddNote({}, {}, {}, QString::number(std::time(nullptr) + 600),
                               QStringLiteral("n"), 0));
    QDir root(Root());
    for (const char* name : {"cookie.txt", "vcode_reg_1.gif", "B.GIF", "keep.txt"}) {
        QFile file(root.filePath(QString::fromLatin1(name)));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    ASSERT_TRUE(root.mkdir(QStringLiteral("folder.gif")));
    core_->Shutdown();
    EXPECT_EQ(root.entryList(QDir::AllEntries | QDir::NoDotAndDotDot, QDir::Name),
              QStringList({QStringLiteral("Data"), QStringLiteral("Log"), QStringLiteral("Rec"),
                           QStringLiteral("folder.gif"), QStringLiteral("keep.txt")}));
    EXPECT_TRUE(core_->ActiveNoteTimerIds().empty());
    EXPECT_FALSE(core_->Database().IsOpen());
    // The database is one file again: its log was moved in and removed.
    EXPECT_EQ(QDir(Root() + QStringLiteral("/Data")).entryList(QDir::Files),
              QStringList({QStringLiteral("Tamberlink.db")}));
    core_->Shutdown();
}

} // namespace
} // namespace tamberlink
