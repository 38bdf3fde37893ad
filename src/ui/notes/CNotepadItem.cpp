#include "ui/notes/CNotepadItem.h"

#include "ui/lists/RowPainter.h"
#include "ui/lists/RowParts.h"
#include "ui/widgets/Controls.h"
#include "ui/widgets/SkinImage.h"

#include <QFontMetrics>
#include <QtMath>

namespace tamberlink {

namespace {

using C = CNotepadItem::Control;

constexpr RowPart<C> kParts[] = {{C::Check, {15, 25, 14, 14}},    {C::Head, {38, 12, 40, 40}},
                                 {C::Name, {86, 10, 160, 22}},    {C::Phone, {86, 10, 330, 22}},
                                 {C::Content, {86, 34, 480, 20}}, {C::Time, {576, 10, 210, 22}}};

// Gap between the name and the number, and between the clock and the reminder time.
constexpr int kGap = 10;
constexpr int kClockSize = 16;
} // namespace

void CNotepadItem::Fill(const NoteRecord& note) {
    note_ = note;
    // Cut by the room there is, not by a count of characters: a number as a name shows whole.
    nameText_ =
        QFontMetrics(RowPainter::NameFont())
            .elidedText(OneLine(note.name), Qt::ElideRight, ControlRect(Control::Name).width());
    contentText_ = OneLine(note.content);
}

QString CNotepadItem::HeadImage() const {
    if (!note_.head.isEmpty() && !SkinPicture(note_.head).isNull()) {
        return note_.head;
    }
    if (note_.name.isEmpty() && note_.phone.isEmpty()) {
        return QStringLiteral("bgNoteDefault.png");
    }
    return QStringLiteral("bgHeadDefaulte2.png");
}

QString CNotepadItem::ClockImage() const {
    return IsReminderDue() ? QStringLiteral("iconClock.png") : QStringLiteral("iconClockPast.png");
}

QRect CNotepadItem::ControlRect(Control control) {
    return PartRect(kParts, control);
}

CNotepadItem::Control CNotepadItem::HitTest(const QPoint& pos) {
    if (OnCheckBox(ControlRect(Control::Check), pos)) {
        return Control::Check;
    }
    return InsideRow(pos, kHeight) ? Control::Item : Control::None;
}

void CNotepadItem::Paint(QPainter& painter, const QRect& rowRect, const RowState& state) const {
    RowPainter row(painter, rowRect);
    row.Background(state.checked || Control(state.pushed) == Control::Item, state.hovered);
    row.CheckBox(ControlRect(Control::Check),
                 state.checked || Control(state.pushed) == Control::Check);
    row.Picture(ControlRect(Control::Head), HeadImage());

    const QFont body = SkinFont(0);
    if (note_.name.isEmpty() && note_.phone.isEmpty()) {
        // Without a contact the content takes the whole height of the row.
        const QRect content = ControlRect(Control::Content);
        row.Text(QRect(content.left(), 0, content.width(), kHeight), SkinFont(1),
                 RowPainter::kTextColor, Qt::AlignLeft | Qt::AlignVCenter, contentText_);
    } else {
        const QFont nameFont = RowPainter::NameFont();
        const QRect name = ControlRect(Control::Name);
        row.Text(name, nameFont, RowPainter::kNameColor, Qt::AlignLeft | Qt::AlignVCenter,
                 nameText_);
        // The number follows the name.
        const int nameWidth =
            nameText_.isEmpty()
                ? 0
                : qMin(name.width(), QFontMetrics(nameFont).horizontalAdvance(nameText_)) + kGap;
        const QRect phone = ControlRect(Control::Phone);
        // An unknown caller's name is the number: it shows once.
        if (note_.phone != nameText_) {
            row.Text(phone.adjusted(nameWidth, 0, 0, 0), body, RowPainter::kMutedColor,
                     Qt::AlignLeft | Qt::AlignVCenter, note_.phone);
        }
        row.Text(ControlRect(Control::Content), body, RowPainter::kTextColor,
                 Qt::AlignLeft | Qt::AlignVCenter, contentText_);
    }

    if (!TimeText().isEmpty()) {
        const QRect time = ControlRect(Control::Time);
        const QRect text = TimeRect();
        row.Picture(QRect(text.left() - kGap / 2 - kClockSize,
                          time.top() + (time.height() - kClockSize) / 2, kClockSize, kClockSize),
                    ClockImage());
        row.Text(text, SkinFont(2), IsReminderDue() ? 0xFF2D7FF9 : RowPainter::kMutedColor,
                 Qt::AlignRight | Qt::AlignVCenter, TimeShown());
    }
}

QRect CNotepadItem::TimeRect() const {
    const QRect time = ControlRect(Control::Time);
    // The text's own width rounded up, so that rounding never elides a time that fits.
    const int width = qMin(time.width() - kClockSize - kGap / 2,
                           qCeil(QFontMetricsF(SkinFont(2)).horizontalAdvance(TimeText())) + 1);
    return {time.right() + 1 - width, time.top(), width, time.height()};
}

QString CNotepadItem::TimeShown() const {
    return QFontMetrics(SkinFont(2)).elidedText(TimeText(), Qt::ElideRight, TimeRect().width());
}

} // namespace tamberlink
