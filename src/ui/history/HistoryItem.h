#pragma once

#include "store/NumberHistoryRecord.h"
#include "ui/lists/RowState.h"

#include <QRect>
#include <QString>

class QPainter;

namespace tamberlink {

// One row of a number's history: what happened ("固话来电", "短信", "笔记", ...) with its
// picture and time, and the line that says more (the number as that row wrote it, the SMS or
// the note); a recorded call has a play button.
class HistoryItem {
public:
    using Record = NumberHistoryRecord;

    enum class Control { None, Play, Item };

    static constexpr int kHeight = 52;

    explicit HistoryItem(const NumberHistoryRecord& record);

    QString KindText() const;
    QString DetailText() const;
    bool IsPlayVisible() const;

    static QRect ControlRect(Control control);
    Control HitTest(const QPoint& pos) const;

    void Paint(QPainter& painter, const QRect& rowRect, const RowState& state) const;

private:
    QString Picture() const;

    const NumberHistoryRecord& record_;
};

} // namespace tamberlink
