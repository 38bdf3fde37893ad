#pragma once

#include "ui/lists/ListRowDelegate.h"
#include "ui/lists/RecordListModel.h"
#include "ui/lists/RowState.h"

#include <QListView>
#include <QSize>

#include <functional>
#include <type_traits>

namespace tamberlink {

// For lists whose rows all show records.
struct NoOtherRow {};

// Paints a list whose rows are items of class `Item`, made from the records on demand.
// `Item` names its `Record`, is constructed from one and offers kHeight, HitTest(pos)
// returning its Control (or HitTestAt(pos, rowWidth) for buttons placed from the right) and
// Paint(painter, rowRect, RowState); an item with kWidth is a tile of that width. Rows that
// show no record (RecordRole null) are `Other` items made from the row's display text, with
// their own kHeight and no controls.
template <class Item, class Other = NoOtherRow>
class ItemRowDelegate : public ListRowDelegate {
public:
    using Record = typename Item::Record;
    using ListRowDelegate::ListRowDelegate;

    // Marks the rows whose record the page wants shown as active.
    void SetActive(std::function<bool(const Record&)> active) { active_ = std::move(active); }

    RowState StateOf(const QModelIndex& index) const {
        RowState state;
        const int row = index.row();
        state.checked = index.data(Qt::CheckStateRole).toInt() == Qt::Checked;
        state.hovered = row == HoveredRow();
        state.hot = HotControl(row);
        state.pushed = PushedControl(row);
        if (const Record* record = RecordOf(index); record != nullptr && active_) {
            state.active = active_(*record);
        }
        return state;
    }

    // The state of the view's row `row`.
    RowState StateOf(int row) const { return StateOf(View().model()->index(row, 0)); }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        if constexpr (requires { Item::kWidth; }) {
            if (IsEntry(index)) {
                return {Item::kWidth, Item::kHeight};
            }
        }
        return ListRowDelegate::sizeHint(option, index);
    }

    // A row that shows no record by design, such as an index row; told without reading the
    // record, so that laying out a long list reads none.
    static bool IsOtherRow(const QModelIndex& index) {
        return index.data(RecordListModelBase::OtherRowRole).toBool();
    }

    static const Record* RecordOf(const QModelIndex& index) {
        return reinterpret_cast<const Record*>(
            index.data(RecordListModelBase::RecordRole).template value<quintptr>());
    }

protected:
    int HitTest(const QModelIndex& index, const QPoint& pos) const override {
        const Record* record = RecordOf(index);
        if (record == nullptr) {
            return kNoControl;
        }
        const Item item(*record);
        if constexpr (requires { item.HitTestAt(pos, 0); }) {
            return int(item.HitTestAt(pos, RowWidth()));
        } else {
            return int(item.HitTest(pos));
        }
    }
    void PaintRow(QPainter& painter, const QRect& rowRect,
                  const QModelIndex& index) const override {
        if (const Record* record = RecordOf(index)) {
            Item(*record).Paint(painter, rowRect, StateOf(index));
        } else if constexpr (!std::is_same_v<Other, NoOtherRow>) {
            if (IsOtherRow(index)) {
                const QString text = index.data().toString();
                Other(text.isEmpty() ? QChar() : text.front()).Paint(painter, rowRect);
            }
        }
    }
    int RowHeight(const QModelIndex& index) const override {
        if constexpr (!std::is_same_v<Other, NoOtherRow>) {
            if (IsOtherRow(index)) {
                return Other::kHeight;
            }
        }
        return Item::kHeight;
    }

private:
    std::function<bool(const Record&)> active_;
};

// Shows `model` in `list` through a new delegate of class `Delegate`, the list made as every
// long list is: rows painted by the delegate, without selection or focus frame, taking the
// keyboard's focus, scrolled by the pixel and never sideways. Lists whose rows differ in
// height (index rows) say so with `uniform` false.
template <class Delegate, class Model>
Delegate* ShowRows(QListView& list, Model& model, bool uniform = true) {
    list.setModel(&model);
    auto* delegate = new Delegate(list);
    list.setItemDelegate(delegate);
    list.setUniformItemSizes(uniform);
    list.setSelectionMode(QAbstractItemView::NoSelection);
    list.setFocusPolicy(Qt::StrongFocus);
    list.setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    list.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    return delegate;
}

// Hands the clicks on `delegate`'s rows to `page`: a released button to `onButton(row,
// control)`, Enter as a click on `enterControl`, and Delete to `onDelete` when there is one.
template <class Page, class Control>
void FollowRows(const ListRowDelegate& delegate, Page* page, void (Page::*onButton)(int, int),
                Control enterControl, void (Page::*onDelete)(int) = nullptr) {
    QObject::connect(&delegate, &ListRowDelegate::ButtonReleased, page, onButton);
    QObject::connect(
        &delegate, &ListRowDelegate::RowActivated, page,
        [page, onButton, enterControl](int row) { (page->*onButton)(row, int(enterControl)); });
    if (onDelete != nullptr) {
        QObject::connect(&delegate, &ListRowDelegate::DeleteRequested, page, onDelete);
    }
}

} // namespace tamberlink
