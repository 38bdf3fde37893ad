#pragma once

#include <QPoint>
#include <QRect>

#include <cstddef>
#include <initializer_list>

namespace tamberlink {

// Where one part of a list row sits, in row coordinates. A row class keeps its parts in one
// table, so that painting and hit testing read the same places.
template <class Control>
struct RowPart {
    Control control;
    QRect rect;
};

// The place of `control` among `parts`; empty for a control without a place of its own.
template <class Control, std::size_t N>
constexpr QRect PartRect(const RowPart<Control> (&parts)[N], Control control) {
    for (const RowPart<Control>& part : parts) {
        if (part.control == control) {
            return part.rect;
        }
    }
    return {};
}

// The first of `controls` whose place holds `pos`, or `otherwise`.
template <class Control, std::size_t N, class Controls = std::initializer_list<Control>>
Control PartAt(const RowPart<Control> (&parts)[N], const Controls& controls, const QPoint& pos,
               Control otherwise) {
    for (Control control : controls) {
        if (PartRect(parts, control).contains(pos)) {
            return control;
        }
    }
    return otherwise;
}

// A check box takes a little room around it: it is small to aim at.
inline bool OnCheckBox(const QRect& box, const QPoint& pos) {
    return box.adjusted(-6, -6, 6, 6).contains(pos);
}

// Whether `pos` lies within a row `height` high.
inline bool InsideRow(const QPoint& pos, int height) {
    return pos.x() >= 0 && pos.y() >= 0 && pos.y() < height;
}

} // namespace tamberlink
