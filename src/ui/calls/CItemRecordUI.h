#pragma once

#include "ui/lists/RowState.h"

#include "store/CallLogRecord.h"

#include <QRect>
#include <QString>

class QPainter;

namespace tamberlink {

// One row of the call records list: the call-log entry it shows, the texts and pictures
// made from it, where each of its controls sits, and how the row is painted. Rows are
// values made when a row is painted or clicked, so the list holds only the entries.
class CItemRecordUI {
public:
    using Record = CallLogRecord;

    enum class Control {
        None,
        Check,
        Head,
        Name,
        Number,
        Play,
        Time,
        Type,
        Note,
        CallTel,
        CallMobile,
        Sms,
        AddContact,
        Nuisance, // the label of the nuisance rule the caller matched
    };

    static constexpr int kHeight = 56;
    // Record identifiers shorter than this have no recording to play.
    static constexpr int kRecordGuidMinLength = 30;

    CItemRecordUI() = default;
    explicit CItemRecordUI(const CallLogRecord& entry) { Fill(entry); }

    // Takes the entry and makes the row's texts from it.
    void Fill(const CallLogRecord& entry);

    const CallLogRecord& Entry() const { return entry_; }
    QString NameText() const { return nameText_; }
    // The second line: number and place, or only the place when no contact was known.
    QString NumberText() const { return numberText_; }
    bool IsPlayVisible() const;
    // The add-contact button reacts only when the caller is not a contact yet.
    bool IsAddContactEnabled() const { return entry_.nameIsPhone; }
    QString HeadImage() const;
    QString TypeImage() const;
    QString NoteImage() const;
    QString PlayImage(bool playing) const;

    // Where a control sits inside the row (the row's top left is 0, 0).
    static QRect ControlRect(Control control);
    // The control that takes a click at `pos` (row coordinates): only buttons that are shown
    // and react to the mouse count.
    Control HitTest(const QPoint& pos, bool hovered = true) const;

    void Paint(QPainter& painter, const QRect& rowRect, const RowState& state) const;

private:
    CallLogRecord entry_;
    QString nameText_;
    QString numberText_;
};

} // namespace tamberlink
