#pragma once

#include "store/SmsRecord.h"
#include "ui/lists/RowState.h"

#include <QRect>
#include <QString>

class QPainter;

namespace tamberlink {

// One row of the sent-SMS list: the SMS it shows, the texts made from it, where its controls
// sit, and how it is painted. The check box checks the row, the two call buttons call the
// number back, anywhere else the row opens an SMS to that person. Rows are values made when
// a row is painted or clicked.
class CItemSmsUI {
public:
    using Record = SmsRecord;

    enum class Control {
        None,
        Check,
        Head,
        Name,
        Number,
        Content,
        Time,
        CallTel,
        CallMobile,
        Item, // the rest of the row
    };

    static constexpr int kHeight = 56;
    // Longer contents are cut to this many characters and "...".
    static constexpr int kContentLength = 15;

    CItemSmsUI() = default;
    explicit CItemSmsUI(const SmsRecord& sms) { Fill(sms); }

    void Fill(const SmsRecord& sms);

    const SmsRecord& Sms() const { return sms_; }
    QString NameText() const { return nameText_; }
    // The second line: number and attribution, or only the attribution when the SMS went to
    // a number without a contact.
    QString NumberText() const { return numberText_; }
    // The content on one line, cut.
    QString ContentText() const { return contentText_; }
    QString HeadImage() const;

    static QRect ControlRect(Control control);
    static Control HitTest(const QPoint& pos);

    void Paint(QPainter& painter, const QRect& rowRect, const RowState& state) const;

private:
    SmsRecord sms_;
    QString nameText_;
    QString numberText_;
    QString contentText_;
};

} // namespace tamberlink
