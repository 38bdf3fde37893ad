#pragma once

#include "ui/lists/ListRowDelegate.h"

#include <QListView>
#include <QSize>

namespace tamberlink {

// What a list knows about one of its rows beyond the record: the row item paints itself
// from it. Controls are the item's Control values as integers, 0 meaning none.
struct RowState {
    bool checked = false;
    bool hovered = false;
    int hot = 0;    // the control under the mouse
    int pushed = 0; // the control the mouse button is down on, while the mouse stays over it
};

// Paints a list whose rows are items of class `Item` made from the model's records on
// demand. `Item` is constructed from a record and offers kHeight, HitTest(pos) returning its
// Control and Paint(painter, rowRect, RowState); an item with kWidth is a tile of that width.
template <class Item, class Model>
class ItemRowDelegate : public ListRowDelegate {
public:
    ItemRowDelegate(const Model& model, QAbstractItemView& view)
        : ListRowDelegate(model, view)
        , model_(model) {}

    RowState StateOf(int row) const {
        RowState state;
        state.checked = model_.IsChecked(row);
        state.hovered = row == HoveredRow();
        state.hot = HotControl(row);
        if (PushedControl(row) == state.hot) {
            state.pushed = state.hot;
        }
        return state;
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        if constexpr (requires { Item::kWidth; }) {
            if (model_.IsEntryRow(index.row())) {
                return {Item::kWidth, Item::kHeight};
            }
        }
        return ListRowDelegate::sizeHint(option, index);
    }

protected:
    int HitTest(int row, const QPoint& pos) const override {
        return int(Item(*model_.Entry(row)).HitTest(pos));
    }
    void PaintRow(QPainter& painter, const QRect& rowRect, int row) const override {
        Item(*model_.Entry(row)).Paint(painter, rowRect, StateOf(row));
    }
    int RowHeight() const override { return Item::kHeight; }

private:
    const Model& model_;
};

// Shows `model` in `list` through a new delegate of class `Delegate`, the list made as every
// long list is: rows painted by the delegate, no selection, no focus, smooth scrolling.
template <class Delegate, class Model>
Delegate* ShowRows(QListView& list, Model& model) {
    list.setModel(&model);
    auto* delegate = new Delegate(model, list);
    list.setItemDelegate(delegate);
    list.setUniformItemSizes(true);
    list.setSelectionMode(QAbstractItemView::NoSelection);
    list.setFocusPolicy(Qt::NoFocus);
    list.setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    list.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    return delegate;
}

} // namespace tamberlink
