#pragma once

#include <QChar>
#include <QRect>
#include <QString>

class QPainter;

namespace tamberlink {

// An index row of the contacts list: the letter the contacts below it are grouped under.
// Rows are values made when a row is painted.
class CIndexElementItem {
public:
    static constexpr int kHeight = 28;

    explicit CIndexElementItem(QChar letter)
        : letter_(letter) {}

    QChar Letter() const { return letter_; }
    // The letter as the row shows it; see LetterText.
    QString Text() const { return LetterText(letter_); }

    // A letter that cannot be shown by itself (none, for an empty name; a blank or control
    // character; half of an emoji) shows as "#".
    static QString LetterText(QChar letter);

    void Paint(QPainter& painter, const QRect& rowRect) const;

private:
    QChar letter_;
};

} // namespace tamberlink
