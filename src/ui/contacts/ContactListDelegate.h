#pragma once

#include "ui/contacts/CItemContact.h"
#include "ui/lists/ListRowDelegate.h"

namespace tamberlink {

class ContactListModel;

// Paints the contacts list: index rows as CIndexElementItem, contact rows as CItemContact.
// Buttons are reported as CItemContact::Control values; index rows have none.
class ContactListDelegate : public ListRowDelegate {
    Q_OBJECT

public:
    ContactListDelegate(const ContactListModel& model, QAbstractItemView& view);

    CItemContact::State StateOf(int row) const;

protected:
    int HitTest(int row, const QPoint& pos) const override;
    void PaintRow(QPainter& painter, const QRect& rowRect, int row) const override;
    int RowHeight() const override { return CItemContact::kHeight; }
    int RowHeightOf(int row) const override;

private:
    const ContactListModel& model_;
};

} // namespace tamberlink
