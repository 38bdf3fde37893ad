// tamberlink-boxsim: a virtual telephone box on a pseudo-terminal.
#include "VirtualBox.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <csignal>
#include <sys/prctl.h>
#include <unistd.h>

namespace {

void Usage() {
    std::puts("usage: tamberlink-boxsim [options]\n"
              "Creates a pseudo-terminal that behaves as the telephone box and prints its path.\n"
              "  --link PATH          keep a symlink at PATH to the current pseudo-terminal\n"
              "  --control PATH       take commands on a Unix socket at PATH (one per line)\n"
              "  --log PATH           also write every event to PATH\n"
              "  --phone on|off       whether the phone app is linked (default on)\n"
              "  --silent             do not answer the PC's queries\n"
              "  --heartbeat MS       send a status frame every MS once acknowledged\n"
              "  --area-code CODE     the area code stored in the box\n"
              "  --extension CODE     the extension code stored in the box\n"
              "  --version TEXT       the firmware version (default 1.0.5)\n"
              "  --missed-record NUM  a missed call the box remembers\n"
              "  --speech TEXT        while recording, stream TEXT spoken by espeak-ng\n"
              "                       instead of a 1 kHz tone\n"
              "  --end-with-parent    end when the process that started it ends\n"
              "Commands come from standard input as well; type help for the list.");
}

} // namespace

int main(int argc, char** argv) {
    boxsim::Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        auto value = [&]() {
            return std::string(argv[++i]);
        };
        if (arg == "--help" || arg == "-h") {
            Usage();
            return 0;
        } else if (arg == "--silent") {
            options.answerQueries = false;
        } else if (arg == "--end-with-parent") {
            // A test that dies before it can stop its box must not leave the box running.
            const pid_t parent = getppid();
            if (prctl(PR_SET_PDEATHSIG, SIGTERM) != 0 || getppid() != parent) {
                return 1;
            }
        } else if (!hasValue) {
            std::fprintf(stderr, "missing value or unknown option: %s\n", arg.c_str());
            return 2;
        } else if (arg == "--link") {
            options.linkPath = value();
        } else if (arg == "--control") {
            options.controlPath = value();
        } else if (arg == "--log") {
            options.logPath = value();
        } else if (arg == "--phone") {
            options.phoneLinked = value() != "off";
        } else if (arg == "--heartbeat") {
            options.heartbeatMs = std::atoi(argv[++i]);
        } else if (arg == "--area-code") {
            options.areaCode = value();
        } else if (arg == "--extension") {
            options.extension = value();
        } else if (arg == "--version") {
            options.version = value();
        } else if (arg == "--missed-record") {
            options.missedRecord = value();
        } else if (arg == "--speech") {
            options.speech = value();
        } else {
            std::fprintf(stderr, "unknown option: %s\n", arg.c_str());
            return 2;
        }
    }
    boxsim::VirtualBox box(options);
    if (!box.Start()) {
        return 1;
    }
    return box.Run();
}
