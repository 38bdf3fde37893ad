#pragma once

#include "ui/lists/ListRowDelegate.h"

namespace tamberlink {

class OriginListModel;

// Paints the rows of the web pages' answers: the check box and the origin, and under them
// the answer for each purpose. A click on a purpose changes its answer (controls kFirstUse and on,
// in the order of OriginRecord's uses); anywhere else on a row it checks or unchecks the row
// (control kRow).
class OriginListDelegate : public ListRowDelegate {
    Q_OBJECT

public:
    static constexpr int kRow = 1;
    static constexpr int kFirstUse = 2;
    static constexpr int kHeight = 50;

    OriginListDelegate(const OriginListModel& model, QAbstractItemView& view);

protected:
    int HitTest(int row, const QPoint& pos) const override;
    void PaintRow(QPainter& painter, const QRect& rowRect, int row) const override;
    int RowHeight() const override { return kHeight; }

private:
    // Where the answer for `use` is drawn in a row `width` wide.
    static QRect UseRect(int width, int use);

    const OriginListModel& model_;
};

} // namespace tamberlink
