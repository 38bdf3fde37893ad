// Two-way sync of the contacts with a real CardDAV server (Radicale, started here), while a
// second client (peer.py, with vobject) changes the same address book.
#include "../store/StoreTestSupport.h"
#include "DavPeers.h"

#include "carddav/AddressBookSync.h"
#include "store/AttributionDatabase.h"
#include "store/LocalDatabase.h"

#include <QRandomGenerator>

#include <gtest/gtest.h>

namespace tamberlink {
namespace {

using test::Radicale;

QByteArray Card(const QString& uid, const QString& name, const QStringList& numbers,
                const QString& extra = QString()) {
    QString text = QStringLiteral("BEGIN:VCARD\r\nVERSION:3.0\r\nUID:%1\r\nFN:%2\r\nN:%2;;;;\r\n")
                       .arg(uid, name);
    for (const QString& number : numbers) {
        text += QStringLiteral("TEL;TYPE=CELL:%1\r\n").arg(number);
    }
    return (text + extra + QStringLiteral("END:VCARD\r\n")).toUtf8();
}

class AddressBookSyncTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(server_.Start());
        ASSERT_TRUE(db_.Open(seed_.path()));
        ASSERT_TRUE(db_.RunMigrations());
        ASSERT_TRUE(db_.Contacts().DeleteAll());
        ASSERT_TRUE(db_.AddressBook().WriteAccount(
            server_.Root(), QString::fromLatin1(Radicale::kUser), server_.Book()));
    }

    SyncOutcome Sync(bool allowDeletion = true) {
        DavClient client(Radicale::kUser, Radicale::kPassword);
        CardDavServer server(client);
        AddressBookSync sync(db_, attribution_, server);
        asked_.clear();
        SyncOutcome outcome = sync.Run(server_.Book(), [&](int contacts, int total) {
            asked_ << QStringLiteral("%1/%2").arg(contacts).arg(total);
            return allowDeletion;
        });
        EXPECT_TRUE(outcome.ok) << outcome.error.toStdString();
        return outcome;
    }

    // "name:number,number" of every contact, grouped by card, sorted.
    QStringList Local() {
        QStringList cards;
        for (const auto& rows : db_.AddressBook().LoadCards()) {
            QStringList numbers;
            for (const ContactCardRecord& row : rows) {
                numbers << row.contact.phone;
            }
            numbers.sort();
            cards << rows.front().contact.name + u':' + numbers.join(u',');
        }
        cards.sort();
        return cards;
    }

    ContactRecord Contact(const QString& name) {
        for (const ContactRecord& contact : db_.Contacts().Load()) {
            if (contact.name == name) {
                return contact;
            }
        }
        ADD_FAILURE() << "no contact " << name.toStdString();
        return {};
    }

    // The name of the card of contact `name` on the server.
    QString HrefName(const QString& name) {
        const int id = Contact(name).id;
        for (const auto& rows : db_.AddressBook().LoadCards()) {
            if (rows.front().contact.id == id) {
                return QUrl(db_.AddressBook().LoadSynced().at(rows.front().uid).href).fileName();
            }
        }
        return {};
    }

    void Edit(const QString& name, const std::function<void(ContactRecord&)>& change) {
        ContactRecord contact = Contact(name);
        change(contact);
        ASSERT_TRUE(db_.Contacts().Update(contact, attribution_));
    }

    Radicale server_;
    test::SeedCopy seed_;
    LocalDatabase db_;
    AttributionDatabase attribution_;
    QStringList asked_;
};

TEST_F(AddressBookSyncTest, AddsEditsAndDeletesTravelBothWays) {
    bool ok = false;
    server_.Peer(
        {QStringLiteral("put"), QStringLiteral("li.vcf")},
        Card(QStringLiteral("li"), QStringLiteral("李四"), {QStringLiteral("13800000001")}), &ok);
    ASSERT_TRUE(ok);
    ASSERT_TRUE(db_.Contacts().Add(
        ContactRecord(QStringLiteral("王五"), QStringLiteral("13900000002"), QString()),
        attribution_));

    SyncOutcome first = Sync();
    EXPECT_EQ(first.received, 1);
    EXPECT_EQ(first.sent, 1);
    EXPECT_EQ(Local(), QStringList({QStringLiteral("李四:13800000001"),
                                    QStringLiteral("王五:13900000002")}));
    EXPECT_EQ(server_.Peer({QStringLiteral("find"), QStringLiteral("王五")}),
              QStringLiteral("王五|13900000002|note:"));

    // Both sides edit a different card.
    server_.Peer({QStringLiteral("edit"), QStringLiteral("li.vcf"), QStringLiteral("fn=李四四")},
                 {}, &ok);
    ASSERT_TRUE(ok);
    Edit(QStringLiteral("王五"), [](ContactRecord& c) { c.other = QStringLiteral("老同学"); });
    SyncOutcome second = Sync();
    EXPECT_EQ(second.received, 1);
    EXPECT_EQ(second.sent, 1);
    EXPECT_EQ(Local(), QStringList({QStringLiteral("李四四:13800000001"),
                                    QStringLiteral("王五:13900000002")}));
    EXPECT_EQ(server_.Peer({QStringLiteral("find"), QStringLiteral("王五")}),
              QStringLiteral("王五|13900000002|note:老同学"));

    // A sync with nothing new moves nothing.
    SyncOutcome quiet = Sync();
    EXPECT_EQ(quiet.received + quiet.sent + quiet.removed + quiet.deleted, 0);

    // Both sides delete one.
    const QString wang = HrefName(QStringLiteral("王五"));
    server_.Peer({QStringLiteral("delete"), QStringLiteral("li.vcf")}, {}, &ok);
    ASSERT_TRUE(ok);
    ASSERT_TRUE(db_.Contacts().Delete(Contact(QStringLiteral("王五")).id));
    SyncOutcome third = Sync();
    EXPECT_EQ(third.removed, 1);
    EXPECT_EQ(third.deleted, 1);
    EXPECT_TRUE(Local().isEmpty());
    EXPECT_EQ(server_.Peer({QStringLiteral("count")}), QStringLiteral("0"));
    // Half the book went: the user was asked.
    EXPECT_EQ(asked_, QStringList({QStringLiteral("1/1")}));
}

TEST_F(AddressBookSyncTest, ABothSidedChangeKeepsBothValues) {
    ASSERT_TRUE(db_.Contacts().Add(
        ContactRecord(QStringLiteral("赵六"), QStringLiteral("13700000003"), QString()),
        attribution_));
    Sync();
    const QString href = HrefName(QStringLiteral("赵六"));
    bool ok = false;
    server_.Peer({QStringLiteral("edit"), href, QStringLiteral("tel=13700000004"),
                  QStringLiteral("note=服务器备注")},
                 {}, &ok);
    ASSERT_TRUE(ok);
    Edit(QStringLiteral("赵六"), [](ContactRecord& c) {
        c.phone = QStringLiteral("13700000005");
        c.other = QStringLiteral("本机备注");
    });

    const SyncOutcome outcome = Sync();
    EXPECT_EQ(outcome.merged, 1);
    EXPECT_EQ(Local(), QStringList({QStringLiteral("赵六:13700000004,13700000005")}));
    const QString note = Contact(QStringLiteral("赵六")).other;
    EXPECT_TRUE(note.contains(QStringLiteral("服务器备注")) &&
                note.contains(QStringLiteral("本机备注")))
        << note.toStdString();
    const QString there = server_.Peer({QStringLiteral("find"), QStringLiteral("赵六")});
    EXPECT_TRUE(there.startsWith(QStringLiteral("赵六|13700000004|13700000005|note:")))
        << there.toStdString();
    EXPECT_TRUE(there.contains(QStringLiteral("服务器备注")) &&
                there.contains(QStringLiteral("本机备注")));
    // Merged once, the card rests.
    const SyncOutcome after = Sync();
    EXPECT_EQ(after.received + after.sent + after.merged, 0);
}

TEST_F(AddressBookSyncTest, AnOutageDeletesNothingAndARejectedTokenRecovers) {
    for (int i = 0; i < 5; ++i) {
        bool ok = false;
        server_.Peer({QStringLiteral("put"), QStringLiteral("c%1.vcf").arg(i)},
                     Card(QStringLiteral("c%1").arg(i), QStringLiteral("客户%1").arg(i),
                          {QStringLiteral("1360000000%1").arg(i)}),
                     &ok);
        ASSERT_TRUE(ok);
    }
    EXPECT_EQ(Sync().received, 5);

    server_.Stop();
    {
        DavClient client(Radicale::kUser, Radicale::kPassword);
        CardDavServer dav(client);
        const SyncOutcome down = AddressBookSync(db_, attribution_, dav).Run(server_.Book(), {});
        EXPECT_FALSE(down.ok);
        EXPECT_TRUE(down.error.startsWith(QStringLiteral("读取通讯录变更失败")))
            << down.error.toStdString();
    }
    EXPECT_EQ(Local().size(), 5);

    ASSERT_TRUE(server_.Start());
    bool ok = false;
    server_.Peer({QStringLiteral("delete"), QStringLiteral("c0.vcf")}, {}, &ok);
    server_.Peer({QStringLiteral("edit"), QStringLiteral("c1.vcf"), QStringLiteral("fn=老客户")},
                 {}, &ok);
    ASSERT_TRUE(ok);
    // A token the server never gave (or has forgotten): one full reconciliation.
    const QString forgotten = QStringLiteral("http://radicale.org/ns/sync/") + QString(64, u'0');
    ASSERT_TRUE(db_.AddressBook().WriteToken(forgotten));
    const SyncOutcome full = Sync();
    EXPECT_EQ(full.received, 1);
    EXPECT_EQ(full.removed, 1);
    EXPECT_EQ(
        Local(),
        QStringList({QStringLiteral("客户2:13600000002"), QStringLiteral("客户3:13600000003"),
                     QStringLiteral("客户4:13600000004"), QStringLiteral("老客户:13600000001")}));
    EXPECT_NE(db_.AddressBook().ReadAccount().token,
              QStringLiteral("http://radicale.org/ns/sync/0000"));
    // Then incremental again.
    server_.Peer({QStringLiteral("edit"), QStringLiteral("c2.vcf"), QStringLiteral("fn=新客户")},
                 {}, &ok);
    const SyncOutcome next = Sync();
    EXPECT_EQ(next.received, 1);
    EXPECT_LT(next.bytes, 10u * 1024);
}

TEST_F(AddressBookSyncTest, UntouchedPropertiesRoundTripUnchanged) {
    QByteArray photo(3000, Qt::Uninitialized);
    for (char& byte : photo) {
        byte = char(QRandomGenerator::global()->bounded(256));
    }
    QString extra = QStringLiteral("PHOTO;ENCODING=b;TYPE=JPEG:");
    const QString encoded = QString::fromLatin1(photo.toBase64());
    // Folded as phones write it.
    extra += encoded.left(40);
    for (qsizetype at = 40; at < encoded.size(); at += 74) {
        extra += QStringLiteral("\r\n ") + encoded.mid(at, 74);
    }
    extra += QStringLiteral("\r\nBDAY:1985-04-12\r\nX-WECHAT:zhangsan_85\r\n"
                            "item1.EMAIL;TYPE=INTERNET:zs@example.com\r\n");
    const QByteArray card = Card(QStringLiteral("zhang"), QStringLiteral("张三"),
                                 {QStringLiteral("13800138000"), QStringLiteral("020-88290291"),
                                  QStringLiteral("+86 139 0000 0000")},
                                 extra);
    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("zhang.vcf")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(card);
    file.close();
    bool ok = false;
    server_.Peer({QStringLiteral("put"), QStringLiteral("zhang.vcf")}, card, &ok);
    ASSERT_TRUE(ok);

    Sync();
    EXPECT_EQ(Local(), QStringList({QStringLiteral("张三:02088290291,13800138000,13900000000")}));
    Edit(QStringLiteral("张三"), [](ContactRecord& c) { c.other = QStringLiteral("改过备注"); });
    EXPECT_EQ(Sync().sent, 1);
    EXPECT_EQ(server_.Peer({QStringLiteral("same"), QStringLiteral("zhang.vcf"), file.fileName()}),
              QStringLiteral("same"));
    EXPECT_TRUE(server_.Peer({QStringLiteral("find"), QStringLiteral("张三")})
                    .endsWith(QStringLiteral("note:改过备注")));
}

TEST_F(AddressBookSyncTest, ManyDeletionsOnTheServerAreAskedAboutAndCanBeRefused) {
    for (int i = 0; i < 25; ++i) {
        bool ok = false;
        server_.Peer({QStringLiteral("put"), QStringLiteral("m%1.vcf").arg(i)},
                     Card(QStringLiteral("m%1").arg(i), QStringLiteral("客户%1").arg(i),
                          {QStringLiteral("135000000%1").arg(i, 2, 10, QLatin1Char('0'))}),
                     &ok);
        ASSERT_TRUE(ok);
    }
    EXPECT_EQ(Sync().received, 25);
    for (int i = 0; i < 22; ++i) {
        server_.Peer({QStringLiteral("delete"), QStringLiteral("m%1.vcf").arg(i)});
    }
    const SyncOutcome refused = Sync(false);
    EXPECT_EQ(asked_, QStringList({QStringLiteral("22/25")}));
    EXPECT_TRUE(refused.deletionsRefused);
    EXPECT_EQ(refused.removed, 0);
    EXPECT_EQ(Local().size(), 25);
    // Kept here, they go back to the server.
    EXPECT_EQ(refused.sent, 22);
    EXPECT_EQ(server_.Peer({QStringLiteral("count")}), QStringLiteral("25"));
}

} // namespace
} // namespace tamberlink
