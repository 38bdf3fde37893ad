// Contact files in and out: the shapes phones and address books export, read into the
// store and written back, checked with Python's vobject and csv.
#include "contactfile/ContactFiles.h"
#include "../store/StoreTestSupport.h"
#include "store/AttributionDatabase.h"
#include "store/LocalDatabase.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace tamberlink {
namespace {

struct ContactsOnDisk {
    test::SeedCopy seed;
    LocalDatabase database;
    AttributionDatabase attribution;
    ContactFiles files{database, attribution};
    QTemporaryDir dir;

    ContactsOnDisk() {
        EXPECT_TRUE(database.Open(seed.path())) << database.OpenError().toStdString();
        EXPECT_TRUE(database.RunMigrations());
        database.Contacts().DeleteAll();
    }
    QString Write(const QString& name, const QByteArray& bytes) const {
        const QString path = dir.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return path;
    }
    // Runs a Python script with the arguments; its standard output.
    static QByteArray Python(const QString& script, const QStringList& arguments = {}) {
        QProcess python;
        python.start(QStringLiteral(TAMBERLINK_PYTHON),
                     QStringList{QStringLiteral("-c"), script} + arguments);
        EXPECT_TRUE(python.waitForFinished(30000));
        EXPECT_EQ(python.exitCode(), 0) << python.readAllStandardError().toStdString();
        return python.readAllStandardOutput();
    }
    ContactImportCounts Import(const QString& path, bool fillEmpty = false) {
        const ContactImportPreview preview = files.Preview(path);
        ContactImportCounts counts;
        QString error;
        EXPECT_TRUE(files.Import(preview, fillEmpty, counts, &error)) << error.toStdString();
        return counts;
    }
};

// An Android export: vCard 2.1, quoted-printable UTF-8 with a soft break inside a character,
// and a GBK card from an older phone; then a card without a number and one cut short.
QByteArray PhoneExport() {
    QByteArray gbkName = "\xd5\xc5\xc8\xfd"; // 张三 in GBK
    QByteArray qpGbk;
    for (const char c : gbkName) {
        qpGbk += "=" + QByteArray::number(uchar(c), 16).toUpper();
    }
    return "BEGIN:VCARD\r\nVERSION:2.1\r\n"
           "N;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:=E7=8E=8B;=E8=8A=\r\n=B3;;;\r\n"
           "FN;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:=E7=8E=8B=E8=8A=\r\n=B3\r\n"
           "TEL;CELL:139-1234-5678\r\nTEL;WORK;PREF:+86 20 8829 0291\r\n"
           "NOTE;ENCODING=QUOTED-PRINTABLE:=E5=9B=9E=E7=94=B5,=0D=0A=E5=91=A8=E4=BA=94\r\n"
           "END:VCARD\r\n"
           "BEGIN:VCARD\r\nVERSION:2.1\r\nFN;CHARSET=GBK;ENCODING=QUOTED-PRINTABLE:" +
           qpGbk +
           "\r\nTEL;HOME:010-6552-9988\r\nEND:VCARD\r\n"
           "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:No Number\r\nEMAIL:a@example.com\r\nEND:VCARD\r\n"
           "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Cut Short\r\nTEL:13700000000\r\n";
}

TEST(ContactFiles, PhoneExportsImportOnceAndCardsGoBackOutWithEveryProperty) {
    ContactsOnDisk disk;
    const QString android = disk.Write(QStringLiteral("android.vcf"), PhoneExport());
    const ContactImportPreview preview = disk.files.Preview(android);
    ASSERT_TRUE(preview.Ok()) << preview.error.toStdString();
    EXPECT_EQ(preview.cards, 2);
    EXPECT_EQ(preview.newNumbers, 3);
    ASSERT_EQ(preview.problems.size(), 2u);
    EXPECT_EQ(preview.problems[0].reason, QStringLiteral("没有电话号码"));
    EXPECT_EQ(preview.problems[0].text, QStringLiteral("No Number"));
    EXPECT_TRUE(preview.problems[1].reason.contains(QStringLiteral("END:VCARD")));
    ContactImportCounts counts;
    ASSERT_TRUE(disk.files.Import(preview, false, counts));
    EXPECT_EQ(counts.added, 3);
    EXPECT_EQ(disk.database.Contacts().GetName(QStringLiteral("13912345678")),
              QStringLiteral("王芳"));
    EXPECT_EQ(disk.database.Contacts().GetName(QStringLiteral("01065529988")),
              QStringLiteral("张三"));

    // An iOS card written by vobject: three numbers, a photo, a birthday and a field of its own.
    const QString ios = disk.dir.filePath(QStringLiteral("ios.vcf"));
    ContactsOnDisk::Python(QStringLiteral(R"(
import sys, vobject, base64
c = vobject.vCard()
c.add('fn').value = '陈静'
c.add('n').value = vobject.vcard.Name(family='陈', given='静')
for number, kind in (('13798765432', 'CELL'), ('020-88290291', 'WORK'), ('075588886666', 'HOME')):
    t = c.add('tel'); t.value = number; t.type_param = kind
p = c.add('photo'); p.value = bytes(range(256)) * 40; p.encoding_param = 'b'; p.type_param = 'JPEG'
c.add('bday').value = '1990-05-17'
c.add('x-abrelatednames').value = '王芳'
c.add('uid').value = 'ios-card-1'
open(sys.argv[1], 'w', newline='').write(c.serialize())
)"),
                           {ios});
    EXPECT_EQ(disk.Import(ios).added, 3);
    // The same file again adds nothing; with filling, an empty field takes the file's.
    EXPECT_EQ(disk.Import(android).skipped, 3);

    const QString out = disk.dir.filePath(QStringLiteral("out.vcf"));
    int cards = 0;
    ASSERT_TRUE(disk.files.Export(out, {}, &cards));
    EXPECT_EQ(cards, 3);
    // Every property of the iOS card comes back out the same; the Android card keeps its
    // numbers and its note's line break.
    const QByteArray compared = ContactsOnDisk::Python(QStringLiteral(R"(
import sys, vobject
def props(card):
    return sorted((k, v.serialize()) for k, vs in card.contents.items() if k not in ('version', 'prodid') for v in vs)
ours = {c.uid.value: c for c in vobject.readComponents(open(sys.argv[1], encoding='utf-8').read())}
ios = next(vobject.readComponents(open(sys.argv[2], encoding='utf-8').read()))
print(props(ours['ios-card-1']) == props(ios))
wang = [c for c in ours.values() if c.fn.value == '王芳'][0]
print(sorted(t.value for t in wang.tel_list), repr(wang.note.value))
)"),
                                                       {out, ios});
    EXPECT_EQ(compared.toStdString(),
              "True\n['+86 20 8829 0291', '139-1234-5678'] '回电,\\n周五'\n");
}

TEST(ContactFiles, SpreadsheetsOfGoogleOutlookAndChineseOfficesComeInAndGoBackOut) {
    ContactsOnDisk disk;
    const QString google = disk.Write(
        QStringLiteral("google.csv"),
        "Name,Given Name,Family Name,Phone 1 - Type,Phone 1 - Value,E-mail 1 - Value\r\n"
        "Alice Wong,Alice,Wong,Mobile,+86 186 8888 9999 ::: 020-1234-5678,alice@example.com\r\n"
        "\"Li, \"\"Lena\"\"\",,,Work,\"13812345678\",\r\n"
        ",,,,,nobody@example.com\r\n");
    const QString outlook = disk.Write(
        QStringLiteral("outlook.csv"),
        "First Name,Middle Name,Last Name,Company,Mobile Phone,Business Phone,Notes\r\n"
        "伟,,张,示例公司,13611112222,,\"第一行\n第二行\"\r\nBob,,Smith,,,+1 212 555 0100,\r\n");
    QByteArray gbk = "\xd0\xd5\xc3\xfb,\xca\xd6\xbb\xfa\r\n\xc0\xee\xc4\xc8,13900001111\r\n";
    const QString office = disk.Write(QStringLiteral("office.csv"), gbk); // 姓名,手机 / 李娜

    const ContactImportPreview preview = disk.files.Preview(google);
    ASSERT_TRUE(preview.Ok()) << preview.error.toStdString();
    EXPECT_EQ(preview.layout->kind, ContactCsvLayout::Kind::Google);
    EXPECT_EQ(preview.newNumbers, 3);
    ASSERT_EQ(preview.problems.size(), 1u);
    EXPECT_EQ(preview.problems[0].line, 4);
    EXPECT_EQ(disk.Import(google).added, 3);
    EXPECT_EQ(disk.Import(outlook).added, 2);
    const ContactImportPreview chinese = disk.files.Preview(office);
    ASSERT_TRUE(chinese.Ok()) << chinese.error.toStdString();
    EXPECT_EQ(chinese.layout->encoding, ContactCsvLayout::Encoding::Gb18030);
    EXPECT_EQ(disk.Import(office).added, 1);
    ContactsOnDisk& d = disk;
    EXPECT_EQ(d.database.Contacts().GetName(QStringLiteral("13611112222")), QStringLiteral("张伟"));
    EXPECT_EQ(d.database.Contacts().GetName(QStringLiteral("13900001111")), QStringLiteral("李娜"));
    EXPECT_EQ(d.database.Contacts().GetName(QStringLiteral("13812345678")),
              QStringLiteral("Li, \"Lena\""));

    // Out as CSV with a byte order mark: Python's csv reads the Chinese and the quotes back.
    const QString out = disk.dir.filePath(QStringLiteral("out.csv"));
    int cards = 0;
    ASSERT_TRUE(disk.files.Export(out, {}, &cards));
    EXPECT_EQ(cards, 5); // Alice's two numbers share her card
    const QByteArray rows = ContactsOnDisk::Python(QStringLiteral(R"(
import sys, csv
raw = open(sys.argv[1], 'rb').read()
assert raw.startswith(b'\xef\xbb\xbf') and b'\r\n' in raw
rows = list(csv.reader(open(sys.argv[1], encoding='utf-8-sig', newline='')))
print(rows[0])
for r in sorted(rows[1:]): print(r[0], r[1], r[5].replace('\n', '|'))
)"),
                                                   {out});
    EXPECT_EQ(rows.toStdString(), std::string("['姓名', '电话', '邮箱', '公司', '地址', '备注']\n"
                                              "Alice Wong 18688889999 ::: 02012345678 \n"
                                              "Bob Smith +12125550100 \n"
                                              "Li, \"Lena\" 13812345678 \n"
                                              "张伟 13611112222 第一行|第二行\n"
                                              "李娜 13900001111 \n"));
    // What we wrote reads back as the same contacts: nothing new.
    EXPECT_EQ(disk.files.Preview(out).newNumbers, 0);
}

TEST(ContactFiles, FilesThatAreNoContactsAreRefusedWithTheirReason) {
    ContactsOnDisk disk;
    const auto refusal = [&](const char* name, const QByteArray& bytes) {
        return disk.files.Preview(disk.Write(QString::fromLatin1(name), bytes)).error;
    };
    EXPECT_FALSE(refusal("junk.vcf", QByteArray(4096, '\x9c')).isEmpty());
    EXPECT_FALSE(refusal("empty.csv", QByteArray()).isEmpty());
    EXPECT_FALSE(refusal("nophone.csv", "Name,City\r\nA,B\r\n").isEmpty());
    EXPECT_FALSE(disk.files.Preview(disk.dir.filePath(QStringLiteral("missing.vcf"))).Ok());
    ContactImportCounts counts;
    EXPECT_FALSE(
        disk.files.Import(disk.files.Preview(disk.dir.filePath("missing.vcf")), false, counts));
    EXPECT_TRUE(disk.database.Contacts().GetAll().empty());
}

} // namespace
} // namespace tamberlink
