// Takes the screenshots of docs/screenshots: the main window, a settings dialog, the
// notice box and the quick dial, over a fresh data folder.
//
// usage: tamberlink-screenshots OUTPUT_DIR   (run by scripts/screenshots under Xvfb)
#include "ui/CMainWndUI.h"
#include "ui/CMessageBox.h"
#include "ui/CSettingProxy.h"
#include "ui/CTopCall.h"
#include "ui/SkinStyle.h"

#include <QApplication>
#include <QDir>
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
    tamberlink::CMainWndUI window(config);
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
    window.Exit();
    return ok ? 0 : 1;
}
