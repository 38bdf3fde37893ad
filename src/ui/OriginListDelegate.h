#pragma once

#include "ui/ListRowDelegate.h"

namespace tamberlink {

class OriginListModel;

// Paints the rows of the web pages' answers: the check box, the origin and the answer. A
// click anywhere on a row checks or unchecks it (control kRow).
class OriginListDelegate : public ListRowDelegate {
    Q_OBJECT

public:
    static constexpr int kRow = 1;
    static constexpr int kHeight = 32;

    OriginListDelegate(const OriginListModel& model, QAbstractItemView& view);

protected:
    int HitTest(int row, const QPoint& pos) const override;
    void PaintRow(QPainter& painter, const QRect& rowRect, int row) const override;
    int RowHeight() const override { return kHeight; }

private:
    const OriginListModel& model_;
};

} // namespace tamberlink
