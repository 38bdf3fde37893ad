// Tamberlink, the desktop program: one process per user, the core and the main window over
// it, ended by the exit dialog, the tray menu, SIGINT or SIGTERM.

#include "app/AppCore.h"
#include "app/DesktopKeyring.h"
#include "app/SignalWatcher.h"
#include "ui/CMainWndUI.h"
#include "ui/SingleProcess.h"
#include "ui/SkinStyle.h"
#include "util/Version.h"

#include <QApplication>
#include <QCommandLineParser>

#include <cstdio>
#include <memory>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tamberlink"));
    QApplication::setApplicationVersion(QString::fromLatin1(tamberlink::kProgramVersion));
    // Hidden in the tray or with only a dialog closed, the program goes on.
    QApplication::setQuitOnLastWindowClosed(false);

    QCommandLineParser options;
    options.setApplicationDescription(
        QStringLiteral("Tamberlink, the desktop telephone assistant."));
    options.addHelpOption();
    options.addVersionOption();
    const QCommandLineOption serialPort(
        QStringLiteral("serial-port"),
        QStringLiteral("Look for the telephone box on PATH before the serial ports."),
        QStringLiteral("PATH"));
    options.addOption(serialPort);
    options.process(app);

    tamberlink::SingleProcess single;
    if (!single.Acquire()) {
        return 0;
    }
    tamberlink::ApplySkinStyle(app);

    tamberlink::SignalWatcher signalWatcher;
    tamberlink::AppConfig config;
    config.keyring = std::make_shared<tamberlink::DesktopKeyring>();
    tamberlink::AppCore core(config);
    tamberlink::CMainWndUI window(core);
    QObject::connect(&single, &tamberlink::SingleProcess::ShowRequested, &window,
                     &tamberlink::CMainWndUI::ShowNormal);
    QObject::connect(&signalWatcher, &tamberlink::SignalWatcher::Signalled, &window,
                     &tamberlink::CMainWndUI::Exit);
    if (!window.Start(options.value(serialPort))) {
        std::fprintf(stderr, "Tamberlink: the skin of the main window cannot be loaded\n");
        return 1;
    }
    QApplication::exec();
    return 0;
}
