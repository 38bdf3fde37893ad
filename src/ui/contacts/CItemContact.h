#pragma once

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
    enum class Control {
        None,
        CallTel,
        CallMobile,
        Sms,
        Delete,
        Item, // the rest of the row
    };

    struct State {
        bool hovered = false;           // the action buttons show
        Control hot = Control::None;    // control under the mouse
        Control pushed = Control::None; // control the mouse button went down on
    };

    static constexpr int kHeight = 60;
    // Longer names are cut to this many characters and "...".
    static constexpr int kNameLength = 10;

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
    static Control HitTest(const QPoint& pos, bool hovered);

    void Paint(QPainter& painter, const QRect& rowRect, const State& state) const;

private:
    ContactRecord contact_;
    QString nameText_;
};

} // namespace tamberlink
