#include "ui/calllist/DoNotCallRows.h"

#include "ui/lists/RowPainter.h"
#include "ui/widgets/Controls.h"

#include <QDateTime>

namespace tamberlink {

void DoNotCallRow::Paint(QPainter& painter, const QRect& rowRect, const RowState& state) const {
    RowPainter paint(painter, rowRect);
    paint.Background(state.checked, state.hovered);
    const int h = rowRect.height();
    paint.CheckBox(QRect(10, (h - 14) / 2, 14, 14), state.checked);
    constexpr Qt::Alignment kLeft = Qt::AlignLeft | Qt::AlignVCenter;
    paint.Text(QRect(34, 0, 120, h), RowPainter::NameFont(), RowPainter::kNameColor, kLeft,
               record_.number);
    paint.Text(QRect(158, 0, rowRect.width() - 238, h), SkinFont(1), RowPainter::kMutedColor, kLeft,
               record_.source);
    paint.Text(QRect(rowRect.width() - 76, 0, 70, h), SkinFont(1), RowPainter::kMutedColor,
               Qt::AlignRight | Qt::AlignVCenter,
               QDateTime::fromSecsSinceEpoch(record_.created).toString(QStringLiteral("MM-dd")));
}

} // namespace tamberlink
