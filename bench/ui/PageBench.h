#pragma once

#include "app/UiSink.h"

#include <QByteArray>
#include <QString>
#include <QWidget>

#include <cstdio>

namespace tamberlink::bench {

// What the page benchmarks share: the offscreen platform unless another one is asked for,
// notices on the standard error stream, and a stand-in for the main window that holds the
// page where the pages go.

inline void PreferOffscreenPlatform() {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
}

class QuietSink : public UiSink {
public:
    void ShowTip(const QString& text) override {
        std::fprintf(stderr, "notice: %s\n", qPrintable(text));
    }
};

inline void PlacePage(QWidget& main, QWidget& page) {
    main.resize(902, 602);
    page.setGeometry(100, 96, 802, 506);
}

} // namespace tamberlink::bench
