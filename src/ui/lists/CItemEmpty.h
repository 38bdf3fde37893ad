#pragma once

#include <QRect>
#include <QString>

class QPainter;

namespace tamberlink {

// The placeholder row of an empty list: a picture and, below it, a text ("您还没有任何通话记录哦"
// for the call log). Operations on the rows skip it by its tag.
class CItemEmpty {
public:
    static constexpr int kTag = 9999;
    static constexpr int kHeight = 300;
    static constexpr int kPictureTop = 60;
    // The text sits this far below the top of the picture.
    static constexpr int kTextOffset = 100;

    static QString Picture() { return QStringLiteral("item_empty.png"); }
    static QString Text() { return QStringLiteral("您还没有任何通话记录哦"); }

    // Where the picture and the text go inside a row of `rowRect`.
    static QRect PictureRect(const QRect& rowRect);
    static QRect TextRect(const QRect& rowRect);

    // A row too short for the picture shows the text alone, in its middle.
    static void Paint(QPainter& painter, const QRect& rowRect, const QString& text = Text());
};

} // namespace tamberlink
