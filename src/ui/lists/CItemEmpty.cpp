#include "ui/lists/CItemEmpty.h"

#include "ui/widgets/Controls.h"
#include "ui/widgets/SkinImage.h"

#include <QPainter>

namespace tamberlink {

namespace {
constexpr QRgb kTextColor = 0xFF808080;
constexpr int kTextHeight = 30;
} // namespace

QRect CItemEmpty::PictureRect(const QRect& rowRect) {
    const QSize size = SkinPicture(Picture()).size();
    return QRect(rowRect.left() + (rowRect.width() - size.width()) / 2, rowRect.top() + kPictureTop,
                 size.width(), size.height());
}

QRect CItemEmpty::TextRect(const QRect& rowRect) {
    const int top = rowRect.top() + kPictureTop + kTextOffset;
    return QRect(rowRect.left(), top, rowRect.width(), kTextHeight);
}

void CItemEmpty::Paint(QPainter& painter, const QRect& rowRect, const QString& text) {
    const bool whole = TextRect(rowRect).bottom() <= rowRect.bottom();
    painter.save();
    if (whole) {
        painter.drawPixmap(PictureRect(rowRect), SkinPicture(Picture()));
    }
    painter.setFont(SkinFont(1));
    painter.setPen(QColor::fromRgba(kTextColor));
    painter.drawText(whole ? TextRect(rowRect) : rowRect, int(TextAlignment(1)), text);
    painter.restore();
}

} // namespace tamberlink
