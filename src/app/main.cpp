// The program without windows: the core runs until SIGINT or SIGTERM, then exits cleanly.

#include "app/AppCore.h"
#include "app/SignalWatcher.h"
#include "app/StderrUiSink.h"

#include <QCommandLineParser>
#include <QCoreApplication>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Tamberlink"));
    QCoreApplication::setApplicationVersion(QString::fromLatin1(tamberlink::AppCore::kVersion));

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

    tamberlink::SignalWatcher signalWatcher;
    QObject::connect(&signalWatcher, &tamberlink::SignalWatcher::Signalled, &app,
                     &QCoreApplication::quit);

    tamberlink::StderrUiSink sink;
    tamberlink::AppCore core(tamberlink::AppConfig{}, sink);
    core.Start();
    core.StartDeviceLink(options.value(serialPort));
    QCoreApplication::exec();
    core.Shutdown();
    return 0;
}
