#include "app/StderrUiSink.h"

#include <cstdio>

namespace tamberlink {

void StderrUiSink::ShowTip(const QString& text) {
    std::fprintf(stderr, "%s\n", text.toUtf8().constData());
    std::fflush(stderr);
}

} // namespace tamberlink
