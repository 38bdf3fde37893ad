#pragma once

#include "ui/lists/ListRowDelegate.h"
#include "ui/notes/CNotepadItem.h"

namespace tamberlink {

class NoteListModel;

// Paints the notes list, each row a CNotepadItem. Buttons are reported as
// CNotepadItem::Control values: the check box, or the row itself.
class NoteListDelegate : public ListRowDelegate {
    Q_OBJECT

public:
    NoteListDelegate(const NoteListModel& model, QAbstractItemView& view);

    CNotepadItem::State StateOf(int row) const;

protected:
    int HitTest(int row, const QPoint& pos) const override;
    void PaintRow(QPainter& painter, const QRect& rowRect, int row) const override;
    int RowHeight() const override { return CNotepadItem::kHeight; }

private:
    const NoteListModel& model_;
};

} // namespace tamberlink
