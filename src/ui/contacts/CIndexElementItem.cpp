#include "ui/contacts/CIndexElementItem.h"

#include "ui/lists/RowPainter.h"

namespace tamberlink {

namespace {
constexpr QRgb kBandColor = 0xFFF3F6FA;
constexpr QRgb kLetterColor = 0xFF2D7FF9;
} // namespace

QString CIndexElementItem::LetterText(QChar letter) {
    if (letter.isNull() || letter.isSurrogate() || letter.isSpace() || !letter.isPrint()) {
        return QStringLiteral("#");
    }
    return QString(letter);
}

void CIndexElementItem::Paint(QPainter& painter, const QRect& rowRect) const {
    RowPainter row(painter, rowRect);
    row.Fill(kBandColor);
    row.Text(QRect(20, 0, 200, kHeight), RowPainter::NameFont(), kLetterColor,
             Qt::AlignLeft | Qt::AlignVCenter, Text());
}

} // namespace tamberlink
