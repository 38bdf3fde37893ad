#include "ui/lists/RowPainter.h"

#include "ui/widgets/Controls.h"
#include "ui/widgets/SkinImage.h"

#include <QFontMetrics>
#include <QPainter>

namespace tamberlink {

namespace {
constexpr QRgb kHoverColor = 0xFFF5F9FF;
constexpr QRgb kCheckedColor = 0xFFEEF5FF;
constexpr QRgb kLineColor = 0xFFEEF1F5;
} // namespace

RowPainter::RowPainter(QPainter& painter, const QRect& rowRect)
    : painter_(painter)
    , row_(rowRect) {
    painter_.save();
    painter_.setRenderHint(QPainter::SmoothPixmapTransform);
}

RowPainter::~RowPainter() {
    painter_.restore();
}

void RowPainter::Background(bool checked, bool hovered) {
    if (checked || hovered) {
        painter_.fillRect(row_, QColor::fromRgba(checked ? kCheckedColor : kHoverColor));
    }
    painter_.fillRect(QRect(row_.left() + 15, row_.bottom(), row_.width() - 30, 1),
                      QColor::fromRgba(kLineColor));
}

void RowPainter::Fill(QRgb color) {
    painter_.fillRect(row_, QColor::fromRgba(color));
}

void RowPainter::Picture(const QRect& rect, const QString& file) {
    SkinImage image;
    image.file = file;
    image.Draw(painter_, At(rect));
}

void RowPainter::Text(const QRect& rect, const QFont& font, QRgb color, Qt::Alignment alignment,
                      const QString& text) {
    painter_.setFont(font);
    painter_.setPen(QColor::fromRgba(color));
    // Whatever the text, it stays on one line inside its label.
    QString line = text;
    if (line.contains(u'\n') || line.contains(u'\r')) {
        line.replace(u'\r', u' ').replace(u'\n', u' ');
    }
    const QString shown = QFontMetrics(font).elidedText(line, Qt::ElideRight, rect.width());
    painter_.drawText(At(rect), int(alignment) | Qt::TextSingleLine, shown);
}

void RowPainter::CheckBox(const QRect& rect, bool checked) {
    Picture(rect,
            checked ? QStringLiteral("tabBtnCheck.png") : QStringLiteral("tabBtnUncheck.png"));
}

void RowPainter::Button(const QRect& rect, const ButtonPictures& pictures, bool hot, bool pushed) {
    const char* file = pushed && hot ? pictures.pushed : hot ? pictures.hot : pictures.normal;
    Picture(rect, QString::fromLatin1(file));
}

RowPainter::PersonLines RowPainter::PersonLinesFor(const QString& name, const QString& phone,
                                                   const QString& place, bool nameIsPhone) {
    PersonLines lines{name, phone + u' ' + place};
    if (!nameIsPhone) {
        lines.name = ShortenText(name, kNameLength);
    } else {
        if (!phone.isEmpty()) {
            lines.number.remove(phone);
        }
        lines.number.remove(u' ');
    }
    return lines;
}

QString RowPainter::HeadPicture(const QString& head) {
    if (!head.isEmpty() && !SkinPicture(head).isNull()) {
        return head;
    }
    return QStringLiteral("bgHeadDefaulte2.png");
}

QFont RowPainter::NameFont() {
    QFont font = SkinFont(0);
    font.setBold(true);
    return font;
}

} // namespace tamberlink
