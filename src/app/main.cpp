// The program without windows: the core runs until SIGINT or SIGTERM, then exits cleanly.

#include "app/AppCore.h"
#include "app/SignalWatcher.h"
#include "app/StderrUiSink.h"

#include <QCoreApplication>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Tamberlink"));
    QCoreApplication::setApplicationVersion(QString::fromLatin1(tamberlink::AppCore::kVersion));

    tamberlink::SignalWatcher signalWatcher;
    QObject::connect(&signalWatcher, &tamberlink::SignalWatcher::Signalled, &app,
                     &QCoreApplication::quit);

    tamberlink::StderrUiSink sink;
    tamberlink::AppCore core(tamberlink::AppConfig{}, sink);
    core.Start();
    QCoreApplication::exec();
    core.Shutdown();
    return 0;
}
