// "通讯录同步", opened from the main menu, finding the address book of a real CardDAV server
// (Radicale, started here) and syncing with it on the service's worker while the window goes
// on; the server's deletions are asked about in a question that does not block anything.
#include "../../carddav/DavPeers.h"
#include "../../cloud/FakeKeyring.h"
#include "../UiTestSupport.h"

#include "app/ContactSyncService.h"
#include "ui/contacts/CContactSync.h"
#include "ui/settings/SettingWindows.h"
#include "ui/shell/CMainWndUI.h"
#include "ui/shell/CTipDialog.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace tamberlink;

namespace {

bool HasContact(AppCore& core, const QString& name) {
    for (const ContactRecord& contact : core.Database().Contacts().Load()) {
        if (contact.name == name) {
            return true;
        }
    }
    return false;
}

TEST(ContactSyncWindow, FindsTheBookSyncsAndAsksBeforeDeleting) {
    test::App();
    test::Radicale server;
    ASSERT_TRUE(server.Start());
    bool ok = false;
    server.Peer({QStringLiteral("put"), QStringLiteral("liu.vcf")},
                "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:liu\r\nFN:刘备\r\nTEL:13800000009\r\n"
                "END:VCARD\r\n",
                &ok);
    ASSERT_TRUE(ok);

    QTemporaryDir home;
    AppConfig config;
    config.documentsFolder = home.path();
    config.dataFolder = QStringLiteral(TAMBERLINK_BIN_DIR "/Data");
    config.localApiPort = 0;
    config.cloudBaseUrl = QStringLiteral("http://127.0.0.1:9/");
    auto keyring = std::make_shared<test::FakeKeyring>();
    config.keyring = keyring;
    auto core = std::make_unique<AppCore>(config);
    auto window = std::make_unique<CMainWndUI>(*core);
    window->Start();

    ASSERT_TRUE(test::ClickMenuItem(*window, QStringLiteral("menu_contact_sync")));
    CContactSync* dialog = test::Opened<CContactSync>();
    ASSERT_NE(dialog, nullptr);
    const Ui::dlg_contact_sync& form = dialog->Form();
    EXPECT_EQ(form.LabelLastSync->text(), QStringLiteral("尚未同步"));

    // Only the server's root: the book is found through its principal.
    QTest::keyClicks(form.EditServer, server.Root());
    QTest::keyClicks(form.EditUser, QString::fromLatin1(test::Radicale::kUser));
    QTest::keyClicks(form.EditPassword, QStringLiteral("wrong"));
    QTest::mouseClick(form.ButtonDiscover, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(form.ButtonDiscover->isEnabled(), 30000);
    EXPECT_TRUE(form.LabelLastSync->text().contains(QStringLiteral("HTTP 401")))
        << form.LabelLastSync->text().toStdString();
    form.EditPassword->clear();
    QTest::keyClicks(form.EditPassword, QString::fromLatin1(test::Radicale::kPassword));
    QTest::mouseClick(form.ButtonDiscover, Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(form.ComboBook->count(), 1, 30000);
    EXPECT_EQ(form.ComboBook->currentData().toString(), server.Book());
    EXPECT_TRUE(form.ComboBook->currentText().contains(QStringLiteral("联系人")));

    QTest::mouseClick(form.ButtonSyncNow, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(form.LabelLastSync->text().contains(QStringLiteral("同步完成")),
                             30000);
    EXPECT_TRUE(form.LabelLastSync->text().contains(QStringLiteral("收到 1 张名片")))
        << form.LabelLastSync->text().toStdString();
    EXPECT_TRUE(HasContact(*core, QStringLiteral("刘备")));
    // The password is in the keyring, not in the database.
    QTRY_COMPARE(keyring->entries.value(QStringLiteral("carddav")),
                 QString::fromLatin1(test::Radicale::kPassword));
    for (const QString& file : QDir(home.filePath(QStringLiteral("Tamberlink/Data")))
                                   .entryList({QStringLiteral("Tamberlink.db*")})) {
        QFile db(home.filePath(QStringLiteral("Tamberlink/Data/")) + file);
        ASSERT_TRUE(db.open(QIODevice::ReadOnly));
        EXPECT_FALSE(db.readAll().contains(test::Radicale::kPassword)) << file.toStdString();
    }

    // The server deletes the only card: the sync asks, and waits while the window works on.
    server.Peer({QStringLiteral("delete"), QStringLiteral("liu.vcf")}, {}, &ok);
    ASSERT_TRUE(ok);
    QTest::mouseClick(form.ButtonSyncNow, Qt::LeftButton);
    CTipDialog* question = nullptr;
    QTRY_VERIFY_WITH_TIMEOUT((question = test::Opened<CTipDialog>()) != nullptr, 30000);
    EXPECT_TRUE(HasContact(*core, QStringLiteral("刘备")));
    EXPECT_TRUE(core->ContactSync()->IsSyncing());
    QTest::mouseClick(test::ButtonWithText(question, QStringLiteral("确定")), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(form.LabelLastSync->text().contains(QStringLiteral("本机删除 1 个")),
                             30000);
    EXPECT_FALSE(HasContact(*core, QStringLiteral("刘备")));

    window.reset();
    core.reset();
    test::ProcessEvents();
}

} // namespace
