#pragma once

#include "ui/calllist/CItemContactTemp.h"
#include "ui/lists/ListRowDelegate.h"

namespace tamberlink {

class TempContactModel;

// Paints the temporary-contacts list, each row a CItemContactTemp. Buttons are reported as
// CItemContactTemp::Control values.
class TempContactDelegate : public ListRowDelegate {
    Q_OBJECT

public:
    TempContactDelegate(const TempContactModel& model, QAbstractItemView& view);

    CItemContactTemp::State StateOf(int row) const;

protected:
    int HitTest(int row, const QPoint& pos) const override;
    void PaintRow(QPainter& painter, const QRect& rowRect, int row) const override;
    int RowHeight() const override { return CItemContactTemp::kHeight; }

private:
    const TempContactModel& model_;
};

} // namespace tamberlink
