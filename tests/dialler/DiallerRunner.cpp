// A core dialling a campaign, to be killed and started again:
//   tamberlink-dialler-runner DOCUMENTS DATA_FOLDER BOX_PORT WORKBOOK start|start-wrapup|resume
// "start" begins a campaign over the workbook (names in A, numbers in B, no wrap-up time),
// "start-wrapup" one with a minute's wrap-up time, "resume" goes on with the saved one. Each line
// "outcome N" on standard input saves outcome N for the person being called; "ready" is printed
// once the campaign runs.
#include "../app/CoreTestSupport.h"

#include "app/DeviceBridge.h"
#include "dialler/PowerDialler.h"

#include <QSocketNotifier>
#include <QTimer>

#include <cstdio>
#include <iostream>
#include <string>

using namespace tamberlink;

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 6) {
        std::fprintf(stderr,
                     "usage: %s DOCUMENTS DATA_FOLDER BOX_PORT WORKBOOK "
                     "start|start-wrapup|resume\n",
                     argv[0]);
        return 2;
    }
    AppCore core(
        test::TestConfig(QString::fromLocal8Bit(argv[1]), QString::fromLocal8Bit(argv[2])));
    if (!core.Start()) {
        return 1;
    }
    core.SetAreaCode(QStringLiteral("020"));
    core.Device().Link().SetPortLister([] { return std::vector<std::string>{}; });
    core.Device().Link().SetWatchDevices(false);
    if (!core.StartDeviceLink(QString::fromLocal8Bit(argv[3])) ||
        !test::WaitUntil([&] { return core.IsBoxConnected(); })) {
        return 1;
    }
    const QString iniPath = TempContactList::IniPathFor(core.DataRoot());
    bool running = false;
    const std::string mode = argv[5];
    if (mode == "start" || mode == "start-wrapup") {
        TempContactList list(iniPath);
        CampaignOptions options;
        options.wrapUpSeconds = mode == "start" ? 0 : 60;
        running = list.LoadWorkbook(QString::fromLocal8Bit(argv[4]), 0, 1) &&
                  core.Dialler().Start(list, options);
    } else {
        running = core.Dialler().Resume(iniPath);
    }
    if (!running) {
        return 1;
    }
    std::printf("ready\n");
    std::fflush(stdout);
    QSocketNotifier input(0, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, [&] {
        // Lines that came together wait in the stream's buffer, not on the descriptor.
        do {
            std::string line;
            if (!std::getline(std::cin, line)) {
                app.quit();
                return;
            }
            if (line.rfind("outcome ", 0) == 0) {
                const bool saved =
                    core.Dialler().SaveOutcome(DialOutcome(std::stoi(line.substr(8))), QString());
                std::printf(saved ? "saved\n" : "refused\n");
                std::fflush(stdout);
            }
        } while (std::cin.rdbuf()->in_avail() > 0);
    });
    return app.exec();
}
