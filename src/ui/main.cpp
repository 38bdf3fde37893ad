// Tamberlink, the desktop program: one process per user, the core and the main window over
// it, ended by the exit dialog, the tray menu, SIGINT or SIGTERM.

#include "app/AppCore.h"
#include "app/DesktopKeyring.h"
#include "app/SignalWatcher.h"
#include "ui/shell/CMainWndUI.h"
#include "ui/shell/CommandLine.h"
#include "ui/shell/ContactFileCommand.h"
#include "ui/shell/QtTranslations.h"
#include "ui/shell/SingleProcess.h"
#include "ui/widgets/SkinStyle.h"
#include "util/Version.h"

#include <QApplication>

#include <cstdio>
#include <memory>

int main(int argc, char** argv) {
    QApplication::setApplicationName(QStringLiteral("Tamberlink"));
    QApplication::setApplicationVersion(QString::fromLatin1(tamberlink::kProgramVersion));
    tamberlink::CommandLine::AnswerHelpAndVersion(argc, argv);

    QApplication app(argc, argv);
    // The file dialogs and the edit menus speak the user's language, as the program does.
    const tamberlink::QtTranslations translations;
    // The desktop entry: its icon and name, and where the window manager groups the window.
    QGuiApplication::setDesktopFileName(QStringLiteral("com.tamberlink.Tamberlink"));
    // Hidden in the tray or with only a dialog closed, the program goes on.
    QApplication::setQuitOnLastWindowClosed(false);
    const tamberlink::CommandLine options = tamberlink::CommandLine::Parse(app);
    tamberlink::SetUpLogging(options.verbose);
    if (options.contactFile) {
        return tamberlink::RunContactFileCommand(*options.contactFile);
    }

    tamberlink::SingleProcess single;
    if (!single.Acquire(options.number)) {
        return 0;
    }
    tamberlink::ApplySkinStyle(app);

    tamberlink::SignalWatcher signalWatcher;
    tamberlink::AppConfig config;
    config.keyring = std::make_shared<tamberlink::DesktopKeyring>();
    tamberlink::AppCore core(config);
    tamberlink::CMainWndUI window(core);
    QObject::connect(&single, &tamberlink::SingleProcess::ShowRequested, &window,
                     &tamberlink::CMainWndUI::OfferNumber);
    single.SetContactFileHandler([&core](const tamberlink::ContactFileCommand& command) {
        return tamberlink::DoContactFileCommand(core, command);
    });
    QObject::connect(&signalWatcher, &tamberlink::SignalWatcher::Signalled, &window,
                     &tamberlink::CMainWndUI::Exit);
    window.Start(options.serialPort, options.autostart);
    if (!options.number.isEmpty()) {
        window.OfferNumber(options.number);
    }
    QApplication::exec();
    return 0;
}
