#pragma once

#include <QColor>
#include <QFont>
#include <QRect>
#include <QString>

class QPainter;

namespace tamberlink {

// Paints the pieces every list row is made of, at positions given inside the row (its top
// left is 0, 0): the row's background for the hovered and checked states with its dividing
// line, pictures, one-line texts that stay inside their rectangles, the check box and
// buttons with their normal, hot and pushed pictures. The painter's state is restored when
// the RowPainter goes.
class RowPainter {
public:
    static constexpr QRgb kTextColor = 0xFF333333;
    static constexpr QRgb kNameColor = 0xFF222222;
    static constexpr QRgb kMutedColor = 0xFF8A96A6;
    static constexpr QRgb kAlertColor = 0xFFEF4B44;

    // The pictures of a button in its three states.
    struct ButtonPictures {
        const char* normal;
        const char* hot;
        const char* pushed;
    };

    RowPainter(QPainter& painter, const QRect& rowRect);
    ~RowPainter();
    RowPainter(const RowPainter&) = delete;
    RowPainter& operator=(const RowPainter&) = delete;

    // A checked row is tinted, a hovered one lightly; a line divides rows.
    void Background(bool checked, bool hovered);
    // The whole row in one colour (a band between groups of rows).
    void Fill(QRgb color);
    void Picture(const QRect& rect, const QString& file);
    // Elided at the right when it does not fit.
    void Text(const QRect& rect, const QFont& font, QRgb color, Qt::Alignment alignment,
              const QString& text);
    void CheckBox(const QRect& rect, bool checked);
    void Button(const QRect& rect, const ButtonPictures& pictures, bool hot, bool pushed);

    // The names' font: the body font in bold.
    static QFont NameFont();
    // The picture of a contact whose head is `head`: that file, or the default picture when
    // there is none or it cannot be loaded.
    static QString HeadPicture(const QString& head);

    // Longer names are cut to this many characters and "...", in every list.
    static constexpr int kNameLength = 10;

    // The two lines of a row about a person: the name, cut after kNameLength characters,
    // over the number and its place; or, for a number without a contact (whose name is the
    // number itself), the number over its place alone.
    struct PersonLines {
        QString name;
        QString number;
    };
    static PersonLines PersonLinesFor(const QString& name, const QString& phone,
                                      const QString& place, bool nameIsPhone);

private:
    QRect At(const QRect& rect) const { return rect.translated(row_.topLeft()); }

    QPainter& painter_;
    QRect row_;
};

} // namespace tamberlink
