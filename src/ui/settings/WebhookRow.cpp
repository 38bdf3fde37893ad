#include "ui/settings/WebhookRow.h"

#include "ui/lists/RowPainter.h"
#include "ui/settings/WebhookListModel.h"
#include "ui/widgets/Controls.h"

namespace tamberlink {
namespace {

constexpr QRgb kWorkingColor = 0xFF1DB46C;
constexpr QRgb kFailingColor = 0xFFEF4B44;
constexpr QRgb kTypesColor = 0xFF9A9A9A;
constexpr int kLineHeight = 24;
constexpr int kIndent = 34;

} // namespace

int WebhookRow::HitTestAt(const QPoint& pos, int /*width*/) const {
    return pos.y() >= 0 && pos.y() < kHeight ? kRow : 0;
}

void WebhookRow::Paint(QPainter& painter, const QRect& rowRect, const RowState& state) const {
    RowPainter paint(painter, rowRect);
    paint.Background(state.checked, state.hovered);
    paint.CheckBox(QRect(10, 6, 14, 14), state.checked);
    const int width = rowRect.width() - kIndent - 4;
    paint.Text(QRect(kIndent, 1, width, kLineHeight), SkinFont(1), RowPainter::kTextColor,
               Qt::AlignLeft | Qt::AlignVCenter, record_.url);
    const QRect second(kIndent, kLineHeight, width, kHeight - kLineHeight - 2);
    paint.Text(second, SkinFont(1), kTypesColor, Qt::AlignLeft | Qt::AlignVCenter,
               WebhookListModel::TypesText(record_));
    const bool working = !record_.paused && record_.failingSince == 0;
    paint.Text(second, SkinFont(1), working ? kWorkingColor : kFailingColor,
               Qt::AlignRight | Qt::AlignVCenter, WebhookListModel::StateText(record_));
}

} // namespace tamberlink
