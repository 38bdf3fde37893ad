#include "ui/contacts/ContactListDelegate.h"

#include "ui/contacts/CIndexElementItem.h"
#include "ui/contacts/ContactListModel.h"

namespace tamberlink {

using Control = CItemContact::Control;

ContactListDelegate::ContactListDelegate(const ContactListModel& model, QAbstractItemView& view)
    : ListRowDelegate(model, view)
    , model_(model) {}

CItemContact::State ContactListDelegate::StateOf(int row) const {
    CItemContact::State state;
    state.hovered = row == HoveredRow();
    state.hot = Control(HotControl(row));
    state.pushed = Control(PushedControl(row));
    return state;
}

int ContactListDelegate::HitTest(int row, const QPoint& pos) const {
    return model_.Contact(row) != nullptr ? int(CItemContact::HitTest(pos, true)) : kNoControl;
}

void ContactListDelegate::PaintRow(QPainter& painter, const QRect& rowRect, int row) const {
    if (const ContactRecord* contact = model_.Contact(row)) {
        CItemContact(*contact).Paint(painter, rowRect, StateOf(row));
    } else if (const ContactListRow* index = model_.Entry(row)) {
        CIndexElementItem(index->letter).Paint(painter, rowRect);
    }
}

int ContactListDelegate::RowHeightOf(int row) const {
    return model_.IsIndexRow(row) ? CIndexElementItem::kHeight : CItemContact::kHeight;
}

} // namespace tamberlink
