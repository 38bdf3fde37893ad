#include "ui/sms/RecipientItem.h"

#include "ui/lists/RowPainter.h"
#include "ui/lists/RowParts.h"
#include "ui/widgets/Controls.h"
#include "ui/widgets/SkinImage.h"

#include <QFontMetrics>
#include <QPainter>

namespace tamberlink {

namespace {

using C = RecipientItem::Control;

constexpr RowPart<C> kParts[] = {{C::Check, {12, 17, 14, 14}},
                                 {C::Head, {36, 6, 36, 36}},
                                 {C::Name, {82, 5, 230, 20}},
                                 {C::Phone, {82, 25, 230, 18}}};

} // namespace

QRect RecipientItem::ControlRect(Control control) {
    return PartRect(kParts, control);
}

RecipientItem::Control RecipientItem::HitTest(const QPoint& pos) {
    return InsideRow(pos, kHeight) ? Control::Item : Control::None;
}

void RecipientItem::Paint(QPainter& painter, const QRect& rowRect, const RowState& state) const {
    RowPainter row(painter, rowRect);
    const bool pushed = Control(state.pushed) == Control::Item;
    row.Background(state.checked, state.hovered);
    // While the mouse button is down on the row, the box shows what the click will make it.
    row.CheckBox(ControlRect(Control::Check), state.checked != pushed);
    const bool hasPicture = !recipient_.head.isEmpty() && !SkinPicture(recipient_.head).isNull();
    row.Picture(ControlRect(Control::Head),
                hasPicture ? recipient_.head : QStringLiteral("ButtonContact.png"));
    const bool named = !recipient_.name.isEmpty();
    row.Text(ControlRect(Control::Name), RowPainter::NameFont(), RowPainter::kNameColor,
             Qt::AlignLeft | Qt::AlignVCenter, named ? recipient_.name : recipient_.phone);
    if (named) {
        row.Text(ControlRect(Control::Phone), SkinFont(2), RowPainter::kMutedColor,
                 Qt::AlignLeft | Qt::AlignVCenter, recipient_.phone);
    }
}

QRect TargetSend::ControlRect(Control control) {
    switch (control) {
    case Control::Remove:
        return {kWidth - 22, 7, 14, 14};
    case Control::Item:
        return {2, 2, kWidth - 4, kHeight - 4};
    case Control::None:
        break;
    }
    return {};
}

TargetSend::Control TargetSend::HitTest(const QPoint& pos) {
    if (ControlRect(Control::Remove).adjusted(-2, -2, 2, 2).contains(pos)) {
        return Control::Remove;
    }
    return ControlRect(Control::Item).contains(pos) ? Control::Item : Control::None;
}

void TargetSend::Paint(QPainter& painter, const QRect& tileRect, const RowState& state) const {
    const QRect tile = ControlRect(Control::Item).translated(tileRect.topLeft());
    const QRect remove = ControlRect(Control::Remove).translated(tileRect.topLeft());
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QColor::fromRgba(state.hovered ? 0xFF4D93FB : 0xFFCFE0FD));
    painter.setBrush(QColor::fromRgba(state.hovered ? 0xFFE3EEFF : 0xFFEEF5FF));
    painter.drawRoundedRect(QRectF(tile).adjusted(0.5, 0.5, -0.5, -0.5), 4, 4);
    if (Control(state.hot) == Control::Remove) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(
            QColor::fromRgba(Control(state.pushed) == Control::Remove ? 0xFFC53A34 : 0xFFEF4B44));
        painter.drawEllipse(remove);
    }
    // The cross shows under the mouse; otherwise the text has the whole tile. A number keeps
    // its first and last digits.
    const QFont font = SkinFont(2);
    const QRect text(6, 2, (state.hovered ? remove.left() - tileRect.left() : kWidth - 4) - 8,
                     kHeight - 4);
    const Qt::TextElideMode elide = recipient_.name.isEmpty() ? Qt::ElideMiddle : Qt::ElideRight;
    const QString shown = QFontMetrics(font).elidedText(Text(), elide, text.width());
    painter.restore();

    RowPainter row(painter, tileRect);
    row.Text(text, font, RowPainter::kTextColor, Qt::AlignLeft | Qt::AlignVCenter, shown);
    if (state.hovered) {
        row.Picture(ControlRect(Control::Remove).adjusted(2, 2, -2, -2),
                    QStringLiteral("tabBtnClose.png"));
    }
}

} // namespace tamberlink
