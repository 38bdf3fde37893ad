#include "ui/history/HistoryWindows.h"

#include "ui/history/CNumberHistory.h"

namespace tamberlink {

HistoryWindows::HistoryWindows(QWidget& host, AppCore& core)
    : QObject(&host)
    , host_(host)
    , core_(core) {}

void HistoryWindows::Open(const QString& number, const QString& name) {
    if (number.trimmed().isEmpty()) {
        return;
    }
    CNumberHistory* window = Window();
    if (window == nullptr) {
        window = OpenWindow<CNumberHistory>(&host_, QStringLiteral("号码记录"),
                                            CNumberHistory::kPosition, core_);
        window_ = window;
    }
    window->Show(number, name);
    window->raise();
}

CNumberHistory* HistoryWindows::Window() const {
    return IfOpen(window_);
}

} // namespace tamberlink
