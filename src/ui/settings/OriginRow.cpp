#include "ui/settings/OriginRow.h"

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

QRect OriginRow::UseRect(int width, int use) {
    const int useWidth = (width - kIndent - 4) / OriginRecord::kUses;
    return QRect(kIndent + use * useWidth, kLineHeight, useWidth, kHeight - kLineHeight - 2);
}

int OriginRow::HitTestAt(const QPoint& pos, int width) const {
    if (pos.y() < 0 || pos.y() >= kHeight) {
        return 0;
    }
    for (int use = 0; use < OriginRecord::kUses; ++use) {
        if (UseRect(width, use).contains(pos)) {
            return kFirstUse + use;
        }
    }
    return kRow;
}

void OriginRow::Paint(QPainter& painter, const QRect& rowRect, const RowState& state) const {
    RowPainter paint(painter, rowRect);
    const bool checked = state.checked;
    paint.Background(checked, state.hovered);
    paint.CheckBox(QRect(10, 6, 14, 14), checked);
    const int width = rowRect.width();
    paint.Text(QRect(kIndent, 1, width - kIndent - 4, kLineHeight), SkinFont(1),
               RowPainter::kTextColor, Qt::AlignLeft | Qt::AlignVCenter, record_.origin);
    for (int use = 0; use < OriginRecord::kUses; ++use) {
        const std::optional<bool> answer = record_.answers[use];
        const QRgb color = !answer ? kUnaskedColor : *answer ? kAllowedColor : kRefusedColor;
        paint.Text(UseRect(width, use), SkinFont(1), color, Qt::AlignLeft | Qt::AlignVCenter,
                   OriginListModel::AnswerText(record_, use));
    }
}

} // namespace tamberlink
