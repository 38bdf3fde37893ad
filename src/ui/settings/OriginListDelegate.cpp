#include "ui/settings/OriginListDelegate.h"

#include "ui/lists/RowPainter.h"
#include "ui/settings/OriginListModel.h"
#include "ui/widgets/Controls.h"

namespace tamberlink {
namespace {

constexpr QRgb kAllowedColor = 0xFF1DB46C;
constexpr QRgb kRefusedColor = 0xFFEF4B44;
constexpr QRgb kUnaskedColor = 0xFF9A9A9A;
// The origin on the first line, the purposes side by side on the second.
constexpr int kLineHeight = 24;
constexpr int kIndent = 34;

} // namespace

OriginListDelegate::OriginListDelegate(const OriginListModel& model, QAbstractItemView& view)
    : ListRowDelegate(model, view)
    , model_(model) {}

QRect OriginListDelegate::UseRect(int width, int use) {
    const int useWidth = (width - kIndent - 4) / OriginRecord::kUses;
    return QRect(kIndent + use * useWidth, kLineHeight, useWidth, kHeight - kLineHeight - 2);
}

int OriginListDelegate::HitTest(int, const QPoint& pos) const {
    if (pos.y() < 0 || pos.y() >= kHeight) {
        return kNoControl;
    }
    const int width = RowWidth();
    for (int use = 0; use < OriginRecord::kUses; ++use) {
        if (UseRect(width, use).contains(pos)) {
            return kFirstUse + use;
        }
    }
    return kRow;
}

void OriginListDelegate::PaintRow(QPainter& painter, const QRect& rowRect, int row) const {
    const OriginRecord* entry = model_.Entry(row);
    RowPainter paint(painter, rowRect);
    const bool checked = model_.IsChecked(row);
    paint.Background(checked, row == HoveredRow());
    paint.CheckBox(QRect(10, 6, 14, 14), checked);
    const int width = rowRect.width();
    paint.Text(QRect(kIndent, 1, width - kIndent - 4, kLineHeight), SkinFont(1),
               RowPainter::kTextColor, Qt::AlignLeft | Qt::AlignVCenter, entry->origin);
    for (int use = 0; use < OriginRecord::kUses; ++use) {
        const std::optional<bool> answer = entry->answers[use];
        const QRgb color = !answer ? kUnaskedColor : *answer ? kAllowedColor : kRefusedColor;
        paint.Text(UseRect(width, use), SkinFont(1), color, Qt::AlignLeft | Qt::AlignVCenter,
                   OriginListModel::AnswerText(*entry, use));
    }
}

} // namespace tamberlink
