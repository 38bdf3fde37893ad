#pragma once

#include "ui/lists/RowState.h"

#include "calllist/TempContact.h"

#include <QRect>
#include <QString>

class QPainter;

namespace tamberlink {

// One row of the temporary-contacts list: the contact it shows, where its parts sit and how
// it is painted. The row shows the sheet row's number, the called icon once a status is
// set, name and number, the status and remark line after "备注:", and the landline call,
// mobile call and SMS buttons. The remark line opens the remark dialog; the rest of the
// row offers the status menu. Rows are values made when a row is painted or clicked.
class CItemContactTemp {
public:
    using Record = TempContact;

    enum class Control {
        None,
        Check,
        Index,
        CalledIcon,
        Name,
        Number,
        Remark, // the pen, the caption and the status and remark line
        CallTel,
        CallMobile,
        Sms,
        Item, // the rest of the row
    };

    static constexpr int kHeight = 50;

    explicit CItemContactTemp(const TempContact& contact)
        : contact_(contact) {}

    const TempContact& Contact() const { return contact_; }
    // The status and remark line on one line: line breaks and tabs become blanks.
    QString RemarkText() const;
    static QString RemarkCaption() { return QStringLiteral("备注:"); }

    static QRect ControlRect(Control control);
    // What a click at `pos` (row coordinates) acts on.
    static Control HitTest(const QPoint& pos);

    void Paint(QPainter& painter, const QRect& rowRect, const RowState& state) const;

private:
    TempContact contact_;
};

} // namespace tamberlink
