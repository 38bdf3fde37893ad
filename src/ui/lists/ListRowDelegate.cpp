#include "ui/lists/ListRowDelegate.h"

#include "ui/calls/RecordListModel.h"
#include "ui/lists/CItemEmpty.h"

#include <QAbstractItemView>
#include <QCursor>
#include <QListView>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>

namespace tamberlink {

ListRowDelegate::ListRowDelegate(const RecordListModelBase& model, QAbstractItemView& view)
    : QStyledItemDelegate(&view)
    , model_(model)
    , view_(view)
    , viewport_(view.viewport()) {
    // The view shows a list of painted rows: all of one height, without selection or focus
    // frame, scrolled by the pixel and never sideways.
    view_.setItemDelegate(this);
    view_.setSelectionMode(QAbstractItemView::NoSelection);
    view_.setFocusPolicy(Qt::NoFocus);
    view_.setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    view_.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    if (auto* list = qobject_cast<QListView*>(&view_)) {
        list->setUniformItemSizes(true);
    }
    view_.setMouseTracking(true);
    viewport_->installEventFilter(this);
    // Rows come and go with every reload: what was under the mouse is found again.
    const auto reset = [this] {
        hoveredRow_ = -1;
        hot_ = kNoControl;
        pushedRow_ = -1;
        pushed_ = kNoControl;
    };
    connect(&model_, &QAbstractItemModel::modelReset, this, reset);
    connect(&model_, &QAbstractItemModel::rowsRemoved, this, reset);
    connect(&model_, &QAbstractItemModel::rowsInserted, this, reset);
    // Scrolling moves other rows under a mouse that stands still.
    connect(view_.verticalScrollBar(), &QScrollBar::valueChanged, this, [this] {
        if (view_.viewport()->underMouse()) {
            MouseAt(view_.viewport()->mapFromGlobal(QCursor::pos()));
        }
    });
}

int ListRowDelegate::RowWidth() const {
    return viewport_->width();
}

void ListRowDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                            const QModelIndex& index) const {
    if (model_.IsPlaceholder(index.row())) {
        CItemEmpty::Paint(*painter, option.rect, index.data().toString());
    } else if (model_.IsEntryRow(index.row())) {
        PaintRow(*painter, option.rect, index.row());
    }
}

QSize ListRowDelegate::sizeHint(const QStyleOptionViewItem& option,
                                const QModelIndex& index) const {
    // The placeholder fills a list too short for it rather than scrolling.
    const int height = model_.IsPlaceholder(index.row())
                           ? std::min(CItemEmpty::kHeight, viewport_->height())
                           : RowHeightOf(index.row());
    return QSize(option.rect.width(), height);
}

void ListRowDelegate::UpdateRow(int row) {
    if (row >= 0) {
        view_.viewport()->update(view_.visualRect(model_.index(row)));
    }
}

void ListRowDelegate::MouseAt(const QPoint& pos) {
    const QModelIndex index = view_.indexAt(pos);
    int row = index.isValid() && model_.IsEntryRow(index.row()) ? index.row() : -1;
    const int control =
        row < 0 ? kNoControl : HitTest(row, pos - view_.visualRect(index).topLeft());
    if (row != hoveredRow_ || control != hot_) {
        const int previous = hoveredRow_;
        hoveredRow_ = row;
        hot_ = control;
        UpdateRow(previous);
        UpdateRow(row);
    }
}

bool ListRowDelegate::eventFilter(QObject* watched, QEvent* event) {
    // The viewport is known by the pointer kept: it is filtered while the view is destroyed
    // too, when the view may no longer be asked anything.
    if (watched != viewport_) {
        return QStyledItemDelegate::eventFilter(watched, event);
    }
    switch (event->type()) {
    case QEvent::MouseMove:
        MouseAt(static_cast<QMouseEvent*>(event)->position().toPoint());
        break;
    case QEvent::Leave:
        // Sent while the view is destroyed as well: only the viewport is repainted.
        if (hoveredRow_ >= 0) {
            hoveredRow_ = -1;
            hot_ = kNoControl;
            viewport_->update();
        }
        break;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() != Qt::LeftButton) {
            break;
        }
        MouseAt(mouse->position().toPoint());
        pushed_ = hot_;
        pushedRow_ = pushed_ == kNoControl ? -1 : hoveredRow_;
        UpdateRow(pushedRow_);
        return pushed_ != kNoControl;
    }
    case QEvent::MouseButtonRelease: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() != Qt::LeftButton) {
            break;
        }
        const int row = pushedRow_;
        const int pushed = pushed_;
        pushedRow_ = -1;
        pushed_ = kNoControl;
        MouseAt(mouse->position().toPoint());
        UpdateRow(row);
        if (pushed != kNoControl && row == hoveredRow_ && pushed == hot_) {
            emit ButtonReleased(row, pushed);
            return true;
        }
        return pushed != kNoControl;
    }
    default:
        break;
    }
    return QStyledItemDelegate::eventFilter(watched, event);
}

} // namespace tamberlink
