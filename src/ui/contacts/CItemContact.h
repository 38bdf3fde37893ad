#pragma once

#include "ui/lists/RowState.h"

#include "store/ContactRecord.h"

#include <QRect>
#include <QString>

class QPainter;

namespace tamberlink {

// A contact row of the contacts list: the contact it shows, the texts made from it, where
// its controls sit and how it is painted. Under the mouse the row offers a landline call, a
// call through the phone, an SMS and deletion; a click anywhere else opens the contact.
// Rows are values made when a row is painted or clicked.
class CItemContact {
public:
    using Record = ContactRecord;

    enum class Control {
        None,
        CallTel,
        CallMobile,
        Sms,
        Delete,
        Item, // the rest of the row
    };

    static constexpr int kHeight = 60;

    explicit CItemContact(const ContactRecord& contact);

    const ContactRecord& Contact() const { return contact_; }
    QString NameText() const { return nameText_; }
    // The number, a blank and where it belongs.
    QString NumberText() const { return contact_.phone + u' ' + contact_.attribution; }
    QString HeadImage() const;

    // Where a control sits inside the row (the row's top left is 0, 0); Item has no place
    // of its own.
    static QRect ControlRect(Control control);
    // What a click at `pos` (row coordinates) acts on: a button when the row shows them,
    // else the row.
    static Control HitTest(const QPoint& pos, bool hovered = true);

    void Paint(QPainter& painter, const QRect& rowRect, const RowState& state) const;

private:
    ContactRecord contact_;
    QString nameText_;
};

} // namespace tamberlink
