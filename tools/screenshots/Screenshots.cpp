// Takes the screenshots of docs/screenshots: the main window, a settings dialog, the
// notice box, the quick dial, the call records page with calls, the two call popups, the
// login window and the firmware upgrade window (with the virtual telephone box attached),
// over a fresh data folder.
//
// usage: tamberlink-screenshots OUTPUT_DIR   (run by scripts/screenshots under Xvfb)
#include "app/DeviceBridge.h"
#include "ui/CCallInUI.h"
#include "ui/CCallOutUI.h"
#include "ui/CItemRecordUI.h"
#include "ui/CLoginRegUI.h"
#include "ui/CMainWndUI.h"
#include "ui/CMessageBox.h"
#include "ui/CRecordContainer.h"
#include "ui/CSettingGrade.h"
#include "ui/CSettingProxy.h"
#include "ui/CTopCall.h"
#include "ui/CallLogModel.h"
#include "ui/SkinStyle.h"

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QListView>
#include <QPainter>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>

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
                 QStringLiteral("周五前回电确认报价"), core.LoadCallLog()[2].id);
    core.AddCallLog(QStringLiteral("18611112222"), QStringLiteral("北京"),
                    QStringLiteral("中国联通"), 1);
    if (tamberlink::CRecordContainer* page = window.RecordPage()) {
        page->LoadCallLog();
        QListView* list = page->List();
        const QRect row = list->visualRect(page->Model().index(1));
        QTest::mouseMove(list->viewport(), tamberlink::CItemRecordUI::ControlRect(
                                               tamberlink::CItemRecordUI::Control::Name)
                                               .translated(row.topLeft())
                                               .center());
    }
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
    if (!window.Start()) {
        return 1;
    }
    bool ok = Save(&window, out, "main_window.png");

    window.Core().SetProxy(QStringLiteral("192.168.1.10:8080"));
    window.OpenSettingProxy();
    ok = Save(&window, out, "settings_proxy.png") && ok;
    if (auto* proxy = tamberlink::CSettingProxy::Instance()) {
        proxy->Close();
    }

    window.ShowTip(QStringLiteral("请先连接设备后再开始录音"));
    ok = Save(&window, out, "message_box.png") && ok;
    if (auto* box = tamberlink::CMessageBox::Instance()) {
        box->Close();
    }

    tamberlink::CTopCall* quickDial =
        tamberlink::CTopCall::Offer(QStringLiteral("+8613800000000"), window.geometry().center());
    ok = quickDial != nullptr && Save(quickDial, out, "quick_dial.png") && ok;
    if (quickDial != nullptr) {
        quickDial->Close();
    }

    FillCallRecords(window);
    ok = Save(&window, out, "call_records.png") && ok;

    tamberlink::CCallInUI* incoming = tamberlink::CCallInUI::Show(
        window.Core(), tamberlink::IncomingCall{QStringLiteral("移动|江苏南京"), QString(),
                                                QStringLiteral("13912345678"), QString()});
    ok = incoming != nullptr && Save(incoming, out, "call_incoming.png") && ok;
    if (incoming != nullptr) {
        incoming->Close();
    }
    tamberlink::CCallOutUI* outgoing = tamberlink::CCallOutUI::Show(
        &window, window.Core(),
        tamberlink::OutgoingCall{QStringLiteral("广东广州 电信"), QString(),
                                 QStringLiteral("88290291"), QStringLiteral("李娜")});
    if (outgoing != nullptr) {
        tamberlink::CallPopup::SetRecordingAnimation(true);
        QTest::qWait(2300); // the call has lasted a moment
    }
    ok = outgoing != nullptr && Save(outgoing, out, "call_outgoing.png") && ok;
    if (outgoing != nullptr) {
        outgoing->Close();
    }

    if (auto* login = window.OpenAccountDialog(QStringLiteral("登录"),
                                               tamberlink::CLoginRegUI::kLoginPanel, false)) {
        login->FindControl<QLineEdit>(QStringLiteral("LOG_EDIT_ACCOUNT"))
            ->setText(QStringLiteral("13800138000"));
        login->FindControl<QLineEdit>(QStringLiteral("LOG_EDIT_PSD"))
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
    window.OpenSettingGrade();
    if (auto* upgrade = tamberlink::CSettingGrade::Instance()) {
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
