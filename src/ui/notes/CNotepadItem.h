#pragma once

#include "ui/lists/RowState.h"

#include "store/NoteRecord.h"

#include <QRect>
#include <QString>

class QPainter;

namespace tamberlink {

// One row of the notes list: the note it shows, the texts made from it, where its parts
// sit and how it is painted. The check box checks the row; anywhere else the row opens
// the note. Rows are values made when a row is painted or clicked.
class CNotepadItem {
public:
    using Record = NoteRecord;

    enum class Control {
        None,
        Check,
        Head,
        Name,
        Phone,
        Content,
        Time,
        Item, // the rest of the row
    };

    static constexpr int kHeight = 64;

    CNotepadItem() = default;
    explicit CNotepadItem(const NoteRecord& note) { Fill(note); }

    void Fill(const NoteRecord& note);

    const NoteRecord& Note() const { return note_; }
    QString NameText() const { return nameText_; }
    QString PhoneText() const { return note_.phone; }
    // The content on one line: line breaks and tabs become blanks.
    QString ContentText() const { return contentText_; }
    // The reminder as the note list shows it; empty when the note has none.
    QString TimeText() const { return note_.displayTime; }
    // Where the reminder is drawn (row coordinates), and what of it shows there.
    QRect TimeRect() const;
    QString TimeShown() const;
    // A reminder still to come (its timer runs) rather than one gone by.
    bool IsReminderDue() const { return note_.timerId != 0; }
    // The contact's picture; a note without a contact shows a note.
    QString HeadImage() const;
    QString ClockImage() const;

    static QRect ControlRect(Control control);
    // What a click at `pos` (row coordinates) acts on: the check box, else the row.
    static Control HitTest(const QPoint& pos);

    void Paint(QPainter& painter, const QRect& rowRect, const RowState& state) const;

private:
    NoteRecord note_;
    QString nameText_;
    QString contentText_;
};

} // namespace tamberlink
