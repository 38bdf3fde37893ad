// Takes the screenshots of docs/screenshots: the main window, settings dialogs, a web page's
// prompt, the notice box, the quick dial, the call records page with calls, the SMS page and a
// new SMS with its recipients, the two call popups, the contacts page and a contact's details,
// a call list from a workbook with its remark dialog, the login window and the firmware
// upgrade window (with the virtual telephone box attached), over a fresh data folder.
//
// usage: tamberlink-screenshots OUTPUT_DIR   (run by scripts/screenshots under Xvfb)
#include "app/DeviceBridge.h"
#include "ui/account/AccountWindows.h"
#include "ui/account/CLoginRegUI.h"
#include "ui/calllist/CContactListTemp.h"
#include "ui/calllist/CDialCampaign.h"
#include "ui/calllist/CDialogTempContact.h"
#include "ui/calllist/TempContactModel.h"
#include "ui/calls/CCallInUI.h"
#include "ui/calls/CCallOutUI.h"
#include "ui/calls/CItemRecordUI.h"
#include "ui/calls/CRecordContainer.h"
#include "ui/calls/CallLogModel.h"
#include "ui/calls/CallPopups.h"
#include "ui/contacts/CContactContainer.h"
#include "ui/contacts/CContactImport.h"
#include "ui/contacts/CContactInfo.h"
#include "ui/contacts/CContactSync.h"
#include "ui/contacts/ContactListModel.h"
#include "ui/history/CNumberHistory.h"
#include "ui/history/HistoryListModel.h"
#include "ui/history/HistoryWindows.h"
#include "ui/notes/CNotepadEdit.h"
#include "ui/notes/NoteWindows.h"
#include "ui/nuisance/CSettingNuisance.h"
#include "ui/settings/COriginPrompt.h"
#include "ui/settings/CSettingGrade.h"
#include "ui/settings/CSettingOrigins.h"
#include "ui/settings/CSettingProxy.h"
#include "ui/settings/CSettingServer.h"
#include "ui/settings/SettingWindows.h"
#include "ui/shell/CDuiMenu.h"
#include "ui/shell/CMainWndUI.h"
#include "ui/shell/CMessageBox.h"
#include "ui/shell/CTopCall.h"
#include "ui/shell/MainPages.h"
#include "ui/sms/CSmsContacts.h"
#include "ui/sms/CSmsContainer.h"
#include "ui/sms/CSmsNew.h"
#include "ui/sms/SmsListModel.h"
#include "ui/sms/SmsWindows.h"
#include "ui/stats/CStatsWindow.h"
#include "ui/widgets/SkinStyle.h"
#include "util/IniStore.h"
#include "workbook/ValueSheet.h"
#include "workbook/XlsxWriter.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QListView>
#include <QPainter>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>

#include <cstdint>
#include <cstdio>

#include <sqlite3.h>

namespace {

bool Save(QWidget* widget, const QDir& out, const char* name) {
    QTest::qWait(200); // let the window system show and paint it
    const QString path = out.filePath(QString::fromLatin1(name));
    if (!widget->grab().save(path)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s\n", qPrintable(path));
    return true;
}

// A day of calls on the records page, the second row under the mouse.
void FillCallRecords(tamberlink::CMainWndUI& window) {
    using tamberlink::ContactRecord;
    tamberlink::AppCore& core = window.Core();
    core.AddContact(ContactRecord(QStringLiteral("张伟"), QStringLiteral("13812345678"), {}), true);
    core.AddContact(ContactRecord(QStringLiteral("李娜"), QStringLiteral("02088290291"), {}), true);
    core.AddCallLog(QStringLiteral("4008123456"), QStringLiteral("全国"), {}, 3,
                    QStringLiteral("推销 400*"));
    core.AddCallLog(QStringLiteral("01065529988"), QStringLiteral("北京"),
                    QStringLiteral("中国联通"), 5);
    core.AddCallLog(QStringLiteral("02088290291"), QStringLiteral("广东广州"),
                    QStringLiteral("中国电信"), 4);
    core.AddCallLog(QStringLiteral("13912345678"), QStringLiteral("江苏南京"),
                    QStringLiteral("中国移动"), 2);
    core.AddCallLog(QStringLiteral("13812345678"), QStringLiteral("广东深圳"),
                    QStringLiteral("中国移动"), 3);
    core.LinkRecordingToCallLog(QStringLiteral("5F0C3A21-9B7D-4e2a-8C11-7A3D2E9F4B60"));
    core.AddNote(QStringLiteral("李娜"), QStringLiteral("02088290291"), {}, {},
                 QStringLiteral("周五前回电确认报价"), core.Database().CallLog().Load()[2].id);
    core.AddCallLog(QStringLiteral("18611112222"), QStringLiteral("北京"),
                    QStringLiteral("中国联通"), 1);
    if (tamberlink::CRecordContainer* page = window.RecordPage()) {
        // The new calls took their rows as they were written; the start's read lands too.
        while (page->Model().IsLoading()) {
            QTest::qWait(20);
        }
        QListView* list = page->List();
        const QRect row = list->visualRect(page->Model().index(1));
        QTest::mouseMove(list->viewport(), tamberlink::CItemRecordUI::ControlRect(
                                               tamberlink::CItemRecordUI::Control::Name)
                                               .translated(row.topLeft())
                                               .center());
    }
}

// The contacts page with a handful of contacts under their letters, one under the mouse;
// the contacts of the call records are among them.
tamberlink::CContactContainer* FillContacts(tamberlink::CMainWndUI& window) {
    using tamberlink::ContactRecord;
    tamberlink::AppCore& core = window.Core();
    ContactRecord chen(QStringLiteral("陈静"), QStringLiteral("13798765432"), {});
    chen.company = QStringLiteral("华南贸易有限公司");
    chen.email = QStringLiteral("chenjing@example.com");
    chen.home = QStringLiteral("广州市天河区体育西路 101 号");
    chen.other = QStringLiteral("每周一上午方便接电话");
    for (const ContactRecord& contact :
         {chen, ContactRecord(QStringLiteral("Alice Wong"), QStringLiteral("18688889999"), {}),
          ContactRecord(QStringLiteral("王芳"), QStringLiteral("13912345678"), {}),
          ContactRecord(QStringLiteral("赵磊"), QStringLiteral("01065529988"), {}),
          ContactRecord(QStringLiteral("周文"), QStringLiteral("18611112222"), {})}) {
        core.AddContact(contact, true);
    }
    tamberlink::CContactContainer* page = window.ContactPage();
    if (page == nullptr) {
        return nullptr;
    }
    if (auto* tab = window.findChild<QPushButton*>(QStringLiteral("ButtonContact"))) {
        tab->click();
    }
    page->LoadContacts();
    QListView* list = page->List();
    const QRect row = list->visualRect(page->Model().index(3));
    QTest::mouseMove(list->viewport(), row.topLeft() + QPoint(120, row.height() / 2));
    return page;
}

// A few sent SMS on the SMS page, the third row under the mouse.
void FillSms(tamberlink::CMainWndUI& window) {
    tamberlink::AppCore& core = window.Core();
    core.AddSms(QStringLiteral("13812345678"),
                QStringLiteral("张总您好，合同已发到您邮箱，请查收。"),
                QStringLiteral("移动|广东深圳"));
    core.AddSms(QStringLiteral("13912345678"), QStringLiteral("明天上午十点的会议改到下午三点。"),
                QStringLiteral("移动|江苏南京"));
    core.AddSms(QStringLiteral("02088290291"), QStringLiteral("李老师，周五的课照常。"),
                QStringLiteral("固话|广东广州"));
    core.AddSms(QStringLiteral("18611112222"), QStringLiteral("您的快递已放到前台，谢谢。"),
                QStringLiteral("联通|北京"));
    if (auto* tab = window.findChild<QPushButton*>(QStringLiteral("ButtonSms"))) {
        tab->click();
    }
    if (tamberlink::CSmsContainer* page = window.SmsPage()) {
        QListView* list = page->SmsList();
        const QRect row = list->visualRect(page->Sms().index(2));
        QTest::mouseMove(list->viewport(), row.center());
    }
}

// A call list half worked through: names, numbers and companies, with statuses in CV and
// remarks in CW as the program writes them. The workbook is remembered as if imported.
bool WriteCallList(const QString& dataRoot, const QString& path) {
    using tamberlink::CellType;
    using tamberlink::ValueSheet;
    struct Row {
        const char16_t* name;
        double number;
        const char16_t* company;
        int status;
        const char16_t* remark;
    };
    const Row rows[] = {
        {u"王芳", 13811112222, u"北京华宇科技", 1, u""},
        {u"李强", 13922223333, u"广州恒达贸易", 2, u"上午开会"},
        {u"张敏", 13633334444, u"深圳新创电子", 3, u"下周二下午再联系报价"},
        {u"刘洋", 13744445555, u"杭州云帆网络", 0, u""},
        {u"陈静", 15055556666, u"南京博远教育", 4, u"不需要"},
        {u"杨磊", 18666667777, u"成都天府物流", 0, u""},
        {u"赵丽", 13577778888, u"上海联合咨询", 1, u"已发资料"},
        {u"黄伟", 13988889999, u"武汉长江制造", 0, u""},
        {u"周婷", 18799990000, u"西安古城文旅", 0, u""},
    };
    ValueSheet sheet;
    const auto text = [](int col, const QString& value) {
        return ValueSheet::Cell{col, CellType::String, 0, value};
    };
    sheet.Append(0, text(0, QStringLiteral("姓名")));
    sheet.Append(0, text(1, QStringLiteral("电话")));
    sheet.Append(0, text(2, QStringLiteral("公司")));
    int r = 1;
    for (const Row& row : rows) {
        sheet.Append(r, text(0, QString::fromUtf16(row.name)));
        sheet.Append(r, ValueSheet::Cell{1, CellType::Number, row.number, {}});
        sheet.Append(r, text(2, QString::fromUtf16(row.company)));
        if (row.status != 0) {
            sheet.Append(r, ValueSheet::Cell{99, CellType::Number, double(row.status), {}});
        }
        if (*row.remark != 0) {
            sheet.Append(r, text(100, QString::fromUtf16(row.remark)));
        }
        ++r;
    }
    std::string bytes;
    QFile file(path);
    if (!tamberlink::XlsxWriter::Build(sheet, QStringLiteral("名单"), bytes, nullptr) ||
        !file.open(QIODevice::WriteOnly) ||
        file.write(bytes.data(), qint64(bytes.size())) != qint64(bytes.size())) {
        return false;
    }
    file.close();
    tamberlink::IniStore ini(tamberlink::TempContactList::IniPathFor(dataRoot));
    ini.Set("TEMPCONTACT", "FILE", path.toStdString());
    ini.Set("TEMPCONTACT", "COL_NAME", "A");
    ini.Set("TEMPCONTACT", "COL_NUMBER", "B");
    return ini.Save();
}

// A picture code as the service sends one: four digits over a little noise.
QString CodePicture(const QDir& folder) {
    QImage image(108, 34, QImage::Format_RGB32);
    image.fill(QColor(0xF2F6FC));
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(0xB8C8E0), 1));
    for (int i = 0; i < 6; ++i) {
        painter.drawLine(i * 19, 2 + i * 5, 20 + i * 17, 32 - i * 4);
    }
    QFont font = painter.font();
    font.setPixelSize(22);
    font.setBold(true);
    painter.setFont(font);
    const QColor colors[] = {QColor(0x2D7FF9), QColor(0x1DB46C), QColor(0xEF4B44),
                             QColor(0x5A6B80)};
    for (int i = 0; i < 4; ++i) {
        painter.setPen(colors[i]);
        painter.drawText(QRect(14 + i * 21, 2 + (i % 2) * 3, 22, 30), Qt::AlignCenter,
                         QString::number((i * 7 + 3) % 10));
    }
    painter.end();
    const QString path = folder.filePath(QStringLiteral("code.png"));
    image.save(path);
    return path;
}

// The virtual telephone box on a pseudo-terminal at `link`, for the upgrade window's
// firmware version.
bool StartVirtualBox(QProcess& box, const QString& link) {
    box.setProgram(QCoreApplication::applicationDirPath() + QStringLiteral("/tamberlink-boxsim"));
    box.setArguments(
        {QStringLiteral("--link"), link, QStringLiteral("--version"), QStringLiteral("V2.31")});
    box.start();
    if (!box.waitForStarted(10000)) {
        return false;
    }
    for (int i = 0; i < 100 && !QFile::exists(link); ++i) {
        QTest::qWait(100);
    }
    return QFile::exists(link);
}

// A phone's export about to be imported: two new people, one already there, one card without
// a number.
bool SaveContactImport(tamberlink::CContactContainer& page, QWidget& window, const QDir& out) {
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("手机通讯录.vcf"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        return false;
    }
    file.write("BEGIN:VCARD\r\nVERSION:2.1\r\nFN;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:"
               "=E5=91=A8=E6=B6=9B\r\nTEL;CELL:13566667777\r\nEND:VCARD\r\n"
               "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:孙丽\r\nTEL;TYPE=CELL:15800001111\r\n"
               "TEL;TYPE=WORK:0755-88886666\r\nEND:VCARD\r\n"
               "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:陈静\r\nTEL:13798765432\r\nEND:VCARD\r\n"
               "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:快递\r\nNOTE:号码忘了存\r\nEND:VCARD\r\n");
    file.close();
    tamberlink::CContactImport* preview = page.OpenImport(path);
    const bool ok = preview != nullptr && Save(&window, out, "contact_import.png");
    if (preview != nullptr) {
        preview->Close();
    }
    return ok;
}

// The nuisance rules of a sales desk, a few calls they stopped, and the window on its rules
// and on its log.
bool SaveNuisanceWindow(tamberlink::CMainWndUI& window, const QDir& out) {
    tamberlink::NuisanceService& rules = window.Core().Nuisance();
    using Action = tamberlink::NuisanceAction;
    rules.AddRule(QStringLiteral("400*"), QStringLiteral("推销"), Action::LabelOnly);
    rules.AddRule(QStringLiteral("4008*"), QStringLiteral("贷款"), Action::Reject);
    rules.AddRule(QStringLiteral("95??????"), QStringLiteral("推销"), Action::Silent);
    rules.AddRule(QStringLiteral("17012345678"), QStringLiteral("诈骗"), Action::Reject);
    rules.AddRule(QStringLiteral("无号码"), QStringLiteral("骚扰"), Action::Silent);
    rules.AddToWhitelist(QStringLiteral("4008001234"), QStringLiteral("快递客服"));
    for (const char* number : {"4008123456", "95123456", "17012345678", "4008765432"}) {
        const QString caller = QString::fromLatin1(number);
        const tamberlink::NuisanceVerdict verdict = rules.Decide(caller, {});
        if (verdict.rule) {
            rules.LogCall(caller, *verdict.rule);
        }
    }
    auto* nuisance = window.Settings().OpenNuisance();
    if (nuisance == nullptr) {
        return false;
    }
    bool ok = QTest::qWaitFor([nuisance] { return nuisance->Rules().EntryCount() == 5; }, 5000);
    nuisance->findChild<QLineEdit*>(QStringLiteral("EditCheck"))
        ->setText(QStringLiteral("4008123456"));
    ok = Save(&window, out, "settings_nuisance.png") && ok;
    nuisance->ShowPage(tamberlink::CSettingNuisance::kLogPage);
    ok = QTest::qWaitFor([nuisance] { return nuisance->Log().EntryCount() == 4; }, 5000) && ok;
    ok = Save(&window, out, "settings_nuisance_log.png") && ok;
    nuisance->Close();
    return ok;
}

// A month of a sales desk's calls, most on working days between nine and six, and the
// statistics window on that month.
bool SaveStatsWindow(tamberlink::CMainWndUI& window, const QDir& out) {
    sqlite3* db = nullptr;
    if (sqlite3_open(window.Core().UserDatabasePath().toUtf8().constData(), &db) != SQLITE_OK) {
        sqlite3_close(db);
        return false;
    }
    const char* const customers[] = {"13812345678", "02088290291", "13912345678", "18611112222",
                                     "01065529988", "15800001111", "13700002222", "02161234567"};
    std::uint32_t seed = 11;
    const auto next = [&seed](std::uint32_t range) {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 8) % range;
    };
    bool ok = sqlite3_exec(db, "begin", nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_stmt* insert = nullptr;
    sqlite3_prepare_v2(db,
                       "insert into table_log(name, phone, head, date_time, type, areacode, "
                       "corp, length) values(?1, ?1, '', ?2, ?3, '', '', ?4)",
                       -1, &insert, nullptr);
    for (int day = 1; day <= 30; ++day) {
        const QDate date(2026, 11, day);
        const int calls = date.dayOfWeek() >= 6 ? 4 : 20 + int(next(16));
        for (int i = 0; i < calls; ++i) {
            const int hour = 9 + int(next(5) + next(6));
            const int type = 1 + int(next(100) < 12 ? 4 : next(4));
            const QByteArray when = date.toString(QStringLiteral("yyyy/MM/dd")).toLatin1() +
                                    QStringLiteral(" %1:%2:00")
                                        .arg(hour, 2, 10, QLatin1Char('0'))
                                        .arg(int(next(60)), 2, 10, QLatin1Char('0'))
                                        .toLatin1();
            const char* number =
                next(3) == 0 ? customers[next(std::size(customers))] : customers[next(3)];
            sqlite3_bind_text(insert, 1, number, -1, SQLITE_STATIC);
            sqlite3_bind_text(insert, 2, when.constData(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_int(insert, 3, type);
            if (type == 5) {
                sqlite3_bind_null(insert, 4);
            } else {
                sqlite3_bind_int(insert, 4, 20 + int(next(400)));
            }
            ok = sqlite3_step(insert) == SQLITE_DONE && ok;
            sqlite3_reset(insert);
        }
    }
    sqlite3_finalize(insert);
    ok = sqlite3_exec(db, "commit", nullptr, nullptr, nullptr) == SQLITE_OK && ok;
    sqlite3_close(db);
    auto* stats = window.Settings().OpenStats();
    if (stats == nullptr) {
        return false;
    }
    stats->ShowSpan(tamberlink::CStatsWindow::Span::Month, QDate(2026, 11, 15));
    ok = QTest::qWaitFor([stats] { return stats->BacksShown(); }, 10000) && ok;
    ok = Save(&window, out, "statistics.png") && ok;
    stats->Close();
    return ok;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_DIR\n", argv[0]);
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    QTemporaryDir home;
    if (!home.isValid() || !QDir().mkpath(out.path())) {
        std::fprintf(stderr, "cannot prepare the folders\n");
        return 1;
    }
    tamberlink::ApplySkinStyle(app);
    tamberlink::AppConfig config;
    config.documentsFolder = home.path();
    // Nothing answers there: no request of the shots leaves the machine.
    config.cloudBaseUrl = QStringLiteral("http://127.0.0.1:9/");
    tamberlink::AppCore core(config);
    tamberlink::CMainWndUI window(core);
    window.Start();
    bool ok = Save(&window, out, "main_window.png");

    // A backup under way, and the menu with its switches.
    window.ShowProgress();
    window.SetProgressText(QStringLiteral("正在备份联系人 40%"));
    ok = Save(&window, out, "backup_progress.png") && ok;
    window.EndProgress();
    window.OpenMenu(window.mapToGlobal(QPoint(800, 30)));
    if (auto* menu = window.findChild<tamberlink::CDuiMenu*>()) {
        ok = Save(menu, out, "main_menu.png") && ok;
        menu->Close();
    }
    if (tamberlink::CSettingServer* server = window.Account().OpenServerSetting()) {
        ok = Save(&window, out, "settings_server.png") && ok;
        server->Close();
    } else {
        ok = false;
    }

    // The address book of an office's CardDAV server, synced a while ago.
    tamberlink::AddressBookTable& book = window.Core().Database().AddressBook();
    book.WriteAccount(QStringLiteral("https://dav.example.com/"), QStringLiteral("zhangsan"),
                      QStringLiteral("https://dav.example.com/zhangsan/contacts/"));
    book.WriteResult(QDateTime(QDate(2026, 3, 18), QTime(9, 30, 12)).toSecsSinceEpoch(),
                     QStringLiteral("同步完成：收到 12 张名片，发出 3 张，合并 1 张，本机删除 0 "
                                    "个联系人，服务器删除 1 张"));
    if (auto* sync = window.Settings().OpenContactSync()) {
        ok = Save(&window, out, "contact_sync.png") && ok;
        sync->Close();
    } else {
        ok = false;
    }

    window.Core().SetProxy(QStringLiteral("192.168.1.10:8080"));
    if (auto* proxy = window.Settings().OpenProxy()) {
        ok = Save(&window, out, "settings_proxy.png") && ok;
        proxy->Close();
    }

    // Web pages that asked to use Tamberlink, and a page asking.
    tamberlink::LocalDatabase& database = window.Core().Database();
    for (int use : {tamberlink::OriginRecord::kDial, tamberlink::OriginRecord::kEvents}) {
        database.Origins().SaveAnswer(QStringLiteral("http://crm.example:8080"), use, true);
    }
    database.Origins().SaveAnswer(QStringLiteral("http://crm.example:8080"),
                                  tamberlink::OriginRecord::kSms, false);
    for (int use = 0; use < tamberlink::OriginRecord::kUses; ++use) {
        database.Origins().SaveAnswer(QStringLiteral("https://shop.example"), use, false);
    }
    window.Core().Origins().Load();
    if (auto* origins = window.Settings().OpenOrigins()) {
        ok = Save(&window, out, "settings_origins.png") && ok;
        origins->Close();
    }
    ok = SaveNuisanceWindow(window, out) && ok;
    ok = SaveStatsWindow(window, out) && ok;
    tamberlink::COriginPrompt* prompt = tamberlink::COriginPrompt::Ask(
        {1, QStringLiteral("http://127.0.0.1:8000"), tamberlink::ApiPurpose::Dial});
    ok = prompt != nullptr && Save(prompt, out, "web_access_prompt.png") && ok;
    if (prompt != nullptr) {
        prompt->Close();
    }

    window.Sink().ShowTip(QStringLiteral("请先连接设备后再开始录音"));
    ok = Save(&window, out, "message_box.png") && ok;
    if (auto* box = window.findChild<tamberlink::CMessageBox*>()) {
        box->Close();
    }

    QPointer<tamberlink::CTopCall> quickDialOpen;
    tamberlink::CTopCall* quickDial = tamberlink::CTopCall::Offer(
        quickDialOpen, QStringLiteral("+8613800000000"), window.geometry().center());
    ok = quickDial != nullptr && Save(quickDial, out, "quick_dial.png") && ok;
    if (quickDial != nullptr) {
        quickDial->Close();
    }

    FillCallRecords(window);
    ok = Save(&window, out, "call_records.png") && ok;
    // Larger, the lists take the room.
    const QRect small = window.geometry();
    window.resize(1180, 760);
    ok = Save(&window, out, "main_window_large.png") && ok;
    window.setGeometry(small);

    // Missed calls waiting to be called back: one number twice, one once.
    core.AddCallLog(QStringLiteral("010-6552 9988"), QStringLiteral("北京"),
                    QStringLiteral("中国联通"), 5);
    core.AddCallLog(QStringLiteral("13700001111"), QStringLiteral("北京"),
                    QStringLiteral("中国移动"), 5);
    if (tamberlink::CRecordContainer* page = window.RecordPage()) {
        page->ShowFollowUpOnly(true);
        while (page->Model().IsLoading()) {
            QTest::qWait(20);
        }
        ok = Save(&window, out, "follow_up.png") && ok;
        page->ShowFollowUpOnly(false);
        while (page->Model().IsLoading()) {
            QTest::qWait(20);
        }
    }

    // A note about a call, its contact picked from the contacts, its reminder set.
    core.AddContact(
        tamberlink::ContactRecord(QStringLiteral("王芳"), QStringLiteral("13912345678"), {}), true);
    if (tamberlink::CNotepadEdit* note = window.Notes().OpenNew()) {
        note->findChild<QTextEdit*>(QStringLiteral("EditNotepad"))
            ->setPlainText(QStringLiteral("明天上午回电，确认合同的交货日期"));
        note->SetReminder(QDateTime(QDate(2026, 12, 9), QTime(11, 57)).toSecsSinceEpoch());
        note->OpenContactPicker();
        ok = Save(&window, out, "note_contact_picker.png") && ok;
        if (tamberlink::CSmsContacts* picker = note->ContactPicker()) {
            picker->Close();
        }
        note->SetContact(QStringLiteral("王芳"), QStringLiteral("13912345678"), {});
        ok = Save(&window, out, "note_editor.png") && ok;
        note->Close();
    } else {
        ok = false;
    }

    FillSms(window);
    ok = Save(&window, out, "sms_page.png") && ok;
    tamberlink::CSmsNew* compose =
        window.Sms().OpenNew({{QStringLiteral("张伟"), QStringLiteral("13812345678"), {}},
                              {QStringLiteral("李娜"), QStringLiteral("02088290291"), {}},
                              {{}, QStringLiteral("18611112222"), {}}});
    if (compose != nullptr) {
        compose->SetContent(QStringLiteral("各位好，本周五下午三点在三楼会议室开会，请准时参加。"));
    }
    ok = compose != nullptr && Save(&window, out, "sms_new.png") && ok;
    if (compose != nullptr) {
        compose->Close();
    }
    // Everything about one number: its calls, the SMS sent to it, the note about it and an
    // outcome a call list gave it.
    core.Database().CallAttempts().Add(
        {0, QDateTime::currentSecsSinceEpoch() - 3 * 86400, QStringLiteral("02088290291"), 3,
         QStringLiteral("下周二再报价"),
         QDir(home.path()).filePath(QStringLiteral("客户名单.xlsx")), 6});
    window.Pages().History().Open(QStringLiteral("02088290291"), QStringLiteral("李娜"));
    if (tamberlink::CNumberHistory* history = window.Pages().History().Window()) {
        while (history->Model().IsLoading()) {
            QTest::qWait(20);
        }
        ok = Save(&window, out, "number_history.png") && ok;
        history->Close();
    } else {
        ok = false;
    }
    // The later windows are shown over the call records.
    if (auto* tab = window.findChild<QPushButton*>(QStringLiteral("ButtonRecord"))) {
        tab->click();
    }

    tamberlink::CCallInUI* incoming = window.Calls().ShowIncoming(tamberlink::IncomingCall{
        QStringLiteral("移动|江苏南京"), QString(), QStringLiteral("13912345678"), QString()});
    ok = incoming != nullptr && Save(incoming, out, "call_incoming.png") && ok;
    tamberlink::IncomingCall labelled{QStringLiteral("全国"), QString(),
                                      QStringLiteral("4008123456"), QString()};
    labelled.nuisanceLabel = QStringLiteral("推销 400*");
    incoming = window.Calls().ShowIncoming(labelled);
    ok = incoming != nullptr && Save(incoming, out, "call_incoming_labelled.png") && ok;
    if (incoming != nullptr) {
        incoming->Close();
    }
    tamberlink::CCallOutUI* outgoing = window.Calls().ShowOutgoing(
        tamberlink::OutgoingCall{QStringLiteral("广东广州 电信"), QString(),
                                 QStringLiteral("88290291"), QStringLiteral("李娜")});
    if (outgoing != nullptr) {
        window.Calls().SetRecordingAnimation(true);
        QTest::qWait(2300); // the call has lasted a moment
    }
    ok = outgoing != nullptr && Save(outgoing, out, "call_outgoing.png") && ok;
    if (outgoing != nullptr) {
        outgoing->Close();
    }
    if (tamberlink::CContactContainer* page = FillContacts(window)) {
        ok = Save(&window, out, "contacts.png") && ok;
        for (int row = 0; row < page->Model().EntryCount(); ++row) {
            const tamberlink::ContactRecord* contact = page->Model().Contact(row);
            if (contact != nullptr && contact->name == QStringLiteral("陈静")) {
                page->OpenDetails(row);
            }
        }
        tamberlink::CContactInfo* details = page->Card();
        ok = details != nullptr && Save(&window, out, "contact_details.png") && ok;
        if (details != nullptr) {
            details->Close();
        }
        ok = SaveContactImport(*page, window, out) && ok;
        if (auto* records = window.findChild<QPushButton*>(QStringLiteral("ButtonRecord"))) {
            records->click();
        }
    } else {
        ok = false;
    }

    tamberlink::CContactListTemp* list = window.TempContactPage();
    ok = list != nullptr &&
         WriteCallList(core.DataRoot(),
                       QDir(home.path()).filePath(QStringLiteral("客户名单.xlsx"))) &&
         list->RestoreWorkbook() && ok;
    if (list != nullptr) {
        window.findChild<QAbstractButton*>(QStringLiteral("ButtonContactTemp"))->click();
        list->Model().SetChecked(4, true);
        list->Model().SetChecked(6, true);
        const QRect row = list->List()->visualRect(list->Model().index(2));
        QTest::mouseMove(list->List()->viewport(), row.center());
        ok = Save(&window, out, "temp_contacts.png") && ok;
        if (tamberlink::CDialogTempContact* remark = list->OpenRemarkDialog(3)) {
            remark->StatusBox()->setCurrentIndex(3);
            remark->RemarkBox()->setPlainText(QStringLiteral("下周二下午再联系报价，先发产品资料"));
            ok = Save(&window, out, "temp_contact_remark.png") && ok;
            remark->Close();
        } else {
            ok = false;
        }
        // The campaign panel as it opens over the list, with the two checked rows offered.
        if (tamberlink::CDialCampaign* campaign = list->OpenCampaign()) {
            ok = Save(&window, out, "dial_campaign.png") && ok;
            campaign->Close();
        } else {
            ok = false;
        }
        window.findChild<QAbstractButton*>(QStringLiteral("ButtonRecord"))->click();
    }

    if (auto* login = window.Account().OpenLogin(QStringLiteral("登录"),
                                                 tamberlink::CLoginRegUI::kLoginPanel, false)) {
        login->findChild<QLineEdit*>(QStringLiteral("LOG_EDIT_ACCOUNT"))
            ->setText(QStringLiteral("13800138000"));
        login->findChild<QLineEdit*>(QStringLiteral("LOG_EDIT_PSD"))
            ->setText(QStringLiteral("secret"));
        login->SetCodePicture(0, CodePicture(QDir(home.path())));
        ok = Save(&window, out, "login_dialog.png") && ok;
        login->Close();
    }

    QProcess box;
    const QString link = QDir(home.path()).filePath(QStringLiteral("box"));
    if (StartVirtualBox(box, link)) {
        window.Core().StartDeviceLink(link);
        for (int i = 0; i < 150 && window.Core().Device().FirmwareVersion().isEmpty(); ++i) {
            QTest::qWait(100);
        }
    }
    if (auto* upgrade = window.Settings().OpenGrade()) {
        upgrade->FileEdit()->setText(QStringLiteral("/home/user/下载/tamberlink-box-2.32.hex"));
        upgrade->SetStatus(QStringLiteral("固件升级中:50%"));
        ok = Save(&window, out, "firmware_upgrade.png") && ok;
    } else {
        ok = false;
    }
    window.Exit();
    box.kill();
    box.waitForFinished(5000);
    return ok ? 0 : 1;
}
