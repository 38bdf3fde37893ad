#pragma once

#include "app/UiSink.h"

#include <QByteArray>
#include <QListView>
#include <QScrollBar>
#include <QString>
#include <QWidget>

#include <cstdio>

namespace tamberlink::bench {

// What the benchmarks of the pages share.

// A user interface for the core that only prints its notices.
class QuietSink : public UiSink {
public:
    void ShowTip(const QString& text) override {
        std::fprintf(stderr, "notice: %s\n", qPrintable(text));
    }
};

// The offscreen platform, unless another one is asked for. Call before the application is
// made.
inline void UseOffscreenPlatform() {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
}

// Scrolls `list` from the top to the bottom a screen at a time, painting each screen; returns
// the number of screens.
inline int ScrollTopToBottom(QListView& list) {
    QScrollBar* bar = list.verticalScrollBar();
    int screens = 0;
    bar->setValue(0);
    while (bar->value() < bar->maximum()) {
        bar->setValue(bar->value() + bar->pageStep());
        list.viewport()->repaint();
        ++screens;
    }
    return screens;
}

// The main window's size, and the page where the pages go.
inline void PlacePage(QWidget& main, QWidget& page) {
    main.resize(902, 602);
    page.setGeometry(100, 96, 802, 506);
}

} // namespace tamberlink::bench
