// Prints where HelperProcess::Find finds the helper named by its argument from where this
// program sits (an empty line when nowhere), for the test that moves it into other layouts.
#include "util/HelperProcess.h"

#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s HELPER\n", argv[0]);
        return 2;
    }
    const QString found = tamberlink::HelperProcess::Find(QString::fromLocal8Bit(argv[1]));
    std::printf("%s\n", found.toLocal8Bit().constData());
    return 0;
}
