#pragma once

#include "store/OriginRecord.h"
#include "ui/lists/RowState.h"

#include <QPoint>
#include <QRect>

class QPainter;

namespace tamberlink {

// A row of the web pages' answers: the check box and the origin, and under them the answer
// for each purpose. A click on a purpose changes its answer (controls kFirstUse and on, in
// the order of OriginRecord's uses); anywhere else on a row it checks or unchecks the row
// (control kRow).
class OriginRow {
public:
    using Record = OriginRecord;

    static constexpr int kRow = 1;
    static constexpr int kFirstUse = 2;
    static constexpr int kHeight = 50;

    explicit OriginRow(const OriginRecord& record)
        : record_(record) {}

    // The control at `pos` in a row `width` wide.
    int HitTestAt(const QPoint& pos, int width) const;
    void Paint(QPainter& painter, const QRect& rowRect, const RowState& state) const;

private:
    // Where the answer for `use` is drawn in a row `width` wide.
    static QRect UseRect(int width, int use);

    const OriginRecord& record_;
};

} // namespace tamberlink
