#pragma once

namespace tamberlink {

// What a list knows about one of its rows beyond the record: the row item paints itself
// from it. Controls are the item's Control values as integers, 0 meaning none.
struct RowState {
    bool checked = false;
    bool hovered = false; // under the mouse, or the keyboard's current row: buttons show
    bool active = false;  // what the page marks on the row (a recording that plays)
    int hot = 0;          // the control under the mouse
    int pushed = 0;       // the control the mouse button is down on, while the mouse stays over it
};

} // namespace tamberlink
