#include "ui/OriginListDelegate.h"

#include "ui/Controls.h"
#include "ui/OriginListModel.h"
#include "ui/RowPainter.h"

namespace tamberlink {
namespace {

constexpr QRgb kAllowedColor = 0xFF1DB46C;
constexpr QRgb kRefusedColor = 0xFFEF4B44;

} // namespace

OriginListDelegate::OriginListDelegate(const OriginListModel& model, QAbstractItemView& view)
    : ListRowDelegate(model, view)
    , model_(model) {}

int OriginListDelegate::HitTest(int, const QPoint& pos) const {
    return pos.y() >= 0 && pos.y() < kHeight ? kRow : kNoControl;
}

void OriginListDelegate::PaintRow(QPainter& painter, const QRect& rowRect, int row) const {
    const OriginRecord* entry = model_.Entry(row);
    RowPainter paint(painter, rowRect);
    const bool checked = model_.IsChecked(row);
    paint.Background(checked, row == HoveredRow());
    paint.CheckBox(QRect(10, 9, 14, 14), checked);
    paint.Text(QRect(34, 0, rowRect.width() - 100, kHeight), SkinFont(1), RowPainter::kTextColor,
               Qt::AlignLeft | Qt::AlignVCenter, entry->origin);
    paint.Text(QRect(rowRect.width() - 60, 0, 50, kHeight), SkinFont(1),
               entry->allowed ? kAllowedColor : kRefusedColor, Qt::AlignRight | Qt::AlignVCenter,
               OriginListModel::AnswerText(entry->allowed));
}

} // namespace tamberlink
