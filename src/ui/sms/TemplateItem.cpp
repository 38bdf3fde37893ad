#include "ui/sms/TemplateItem.h"

#include "ui/lists/RowPainter.h"
#include "ui/widgets/Controls.h"

namespace tamberlink {

namespace {

constexpr int kTextLeft = 40;
constexpr int kRightMargin = 15;

} // namespace

TemplateItem::TemplateItem(const TemplateRecord& record)
    : title_(OneLine(record.title))
    , content_(ShortenText(OneLine(record.content), kContentLength)) {}

QRect TemplateItem::ControlRect(Control control, int width) {
    const int textWidth = qMax(0, width - kTextLeft - kRightMargin);
    switch (control) {
    case Control::Check:
        return {15, 21, 14, 14};
    case Control::Title:
        return {kTextLeft, 7, textWidth, 22};
    case Control::Content:
        return {kTextLeft, 29, textWidth, 20};
    case Control::Item:
    case Control::None:
        break;
    }
    return {};
}

TemplateItem::Control TemplateItem::HitTest(const QPoint& pos) {
    // The check box takes a little room around it: it is small to aim at.
    if (ControlRect(Control::Check, 0).adjusted(-6, -6, 6, 6).contains(pos)) {
        return Control::Check;
    }
    return pos.x() >= 0 && pos.y() >= 0 && pos.y() < kHeight ? Control::Item : Control::None;
}

void TemplateItem::Paint(QPainter& painter, const QRect& rowRect, const RowState& state) const {
    RowPainter row(painter, rowRect);
    const Control pushed = Control(state.pushed);
    row.Background(state.checked || pushed == Control::Item, state.hovered);
    row.CheckBox(ControlRect(Control::Check, rowRect.width()),
                 state.checked || pushed == Control::Check);
    row.Text(ControlRect(Control::Title, rowRect.width()), RowPainter::NameFont(),
             RowPainter::kNameColor, Qt::AlignLeft | Qt::AlignVCenter, title_);
    row.Text(ControlRect(Control::Content, rowRect.width()), SkinFont(0), RowPainter::kMutedColor,
             Qt::AlignLeft | Qt::AlignVCenter, content_);
}

} // namespace tamberlink
