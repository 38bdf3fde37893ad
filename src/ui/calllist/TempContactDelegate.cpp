#include "ui/calllist/TempContactDelegate.h"

#include "ui/calllist/TempContactModel.h"

namespace tamberlink {

TempContactDelegate::TempContactDelegate(const TempContactModel& model, QAbstractItemView& view)
    : ListRowDelegate(model, view)
    , model_(model) {}

CItemContactTemp::State TempContactDelegate::StateOf(int row) const {
    CItemContactTemp::State state;
    state.checked = model_.IsChecked(row);
    state.hovered = row == HoveredRow();
    state.hot = CItemContactTemp::Control(HotControl(row));
    state.pushed = CItemContactTemp::Control(PushedControl(row));
    return state;
}

int TempContactDelegate::HitTest(int, const QPoint& pos) const {
    return int(CItemContactTemp::HitTest(pos));
}

void TempContactDelegate::PaintRow(QPainter& painter, const QRect& rowRect, int row) const {
    CItemContactTemp(*model_.Entry(row)).Paint(painter, rowRect, StateOf(row));
}

} // namespace tamberlink
