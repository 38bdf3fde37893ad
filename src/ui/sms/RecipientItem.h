#pragma once

#include "ui/lists/RowState.h"
#include "ui/sms/SmsRecipient.h"

#include <QRect>

class QPainter;

namespace tamberlink {

// One row of the recipient picker: a check box, the contact's picture, the name and the
// number. A click anywhere on the row checks or unchecks it.
class RecipientItem {
public:
    using Record = SmsRecipient;

    enum class Control { None, Check, Head, Name, Phone, Item };

    static constexpr int kHeight = 48;

    explicit RecipientItem(const SmsRecipient& recipient)
        : recipient_(recipient) {}

    static QRect ControlRect(Control control);
    static Control HitTest(const QPoint& pos);

    void Paint(QPainter& painter, const QRect& rowRect, const RowState& state) const;

private:
    SmsRecipient recipient_;
};

// A recipient tile of a new SMS: the name, or the number when there is none, and, under the
// mouse, a cross that takes the recipient off.
class TargetSend {
public:
    using Record = SmsRecipient;

    enum class Control { None, Remove, Item };

    static constexpr int kWidth = 92;
    static constexpr int kHeight = 28;

    explicit TargetSend(const SmsRecipient& recipient)
        : recipient_(recipient) {}

    QString Text() const { return recipient_.name.isEmpty() ? recipient_.phone : recipient_.name; }

    static QRect ControlRect(Control control);
    static Control HitTest(const QPoint& pos);

    void Paint(QPainter& painter, const QRect& tileRect, const RowState& state) const;

private:
    SmsRecipient recipient_;
};

} // namespace tamberlink
