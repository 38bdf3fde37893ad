#include "ui/notes/NoteListDelegate.h"

#include "ui/notes/NoteListModel.h"

namespace tamberlink {

NoteListDelegate::NoteListDelegate(const NoteListModel& model, QAbstractItemView& view)
    : ListRowDelegate(model, view)
    , model_(model) {}

CNotepadItem::State NoteListDelegate::StateOf(int row) const {
    CNotepadItem::State state;
    state.checked = model_.IsChecked(row);
    state.hovered = row == HoveredRow();
    // Pushed shows only while the mouse stays over what it went down on.
    if (PushedControl(row) == HotControl(row)) {
        state.pushed = CNotepadItem::Control(PushedControl(row));
    }
    return state;
}

int NoteListDelegate::HitTest(int, const QPoint& pos) const {
    return int(CNotepadItem::HitTest(pos));
}

void NoteListDelegate::PaintRow(QPainter& painter, const QRect& rowRect, int row) const {
    CNotepadItem(*model_.Entry(row)).Paint(painter, rowRect, StateOf(row));
}

} // namespace tamberlink
