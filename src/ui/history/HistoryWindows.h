#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

class QWidget;

namespace tamberlink {

class AppCore;
class CNumberHistory;

// Opens "号码记录" for a number from any list that shows one; one such window at a time,
// which shows the number asked for last.
class HistoryWindows : public QObject {
    Q_OBJECT

public:
    HistoryWindows(QWidget& host, AppCore& core);

    void Open(const QString& number, const QString& name);
    // The window while it is open, else nullptr.
    CNumberHistory* Window() const;

private:
    QWidget& host_;
    AppCore& core_;
    QPointer<CNumberHistory> window_;
};

} // namespace tamberlink
