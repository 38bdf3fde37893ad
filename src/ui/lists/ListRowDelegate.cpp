#include "ui/lists/ListRowDelegate.h"

#include "ui/lists/CItemEmpty.h"
#include "ui/lists/RecordListModel.h"

#include <QAbstractItemView>
#include <QAbstractProxyModel>
#include <QCursor>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>

namespace tamberlink {

ListRowDelegate::ListRowDelegate(QAbstractItemView& view)
    : QStyledItemDelegate(&view)
    , view_(view)
    , viewport_(view.viewport()) {
    view_.setMouseTracking(true);
    viewport_->setMouseTracking(true);
    view_.installEventFilter(this);
    viewport_->installEventFilter(this);
    // Rows come and go with every reload: what was under the mouse is found again.
    const auto reset = [this] {
        hoveredRow_ = -1;
        hot_ = kNoControl;
        pushedRow_ = -1;
        pushed_ = kNoControl;
    };
    const QAbstractItemModel* model = view_.model();
    connect(model, &QAbstractItemModel::modelReset, this, reset);
    connect(model, &QAbstractItemModel::rowsRemoved, this, reset);
    connect(model, &QAbstractItemModel::rowsInserted, this, reset);
    connect(model, &QAbstractItemModel::layoutChanged, this, reset);
    connect(view_.selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& now, const QModelIndex& before) {
                if (keyboard_) {
                    UpdateRow(before.row());
                    UpdateRow(now.row());
                }
            });
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

bool ListRowDelegate::IsEntry(const QModelIndex& index) {
    return index.isValid() && index.data(RecordListModelBase::TagRole).toInt() != CItemEmpty::kTag;
}

int ListRowDelegate::SourceRow(QModelIndex index) {
    while (const auto* proxy = qobject_cast<const QAbstractProxyModel*>(index.model())) {
        index = proxy->mapToSource(index);
    }
    return index.row();
}

int ListRowDelegate::HoveredRow() const {
    if (hoveredRow_ < 0 && keyboard_ && view_.hasFocus() && IsEntry(view_.currentIndex())) {
        return view_.currentIndex().row();
    }
    return hoveredRow_;
}

void ListRowDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                            const QModelIndex& index) const {
    if (!index.isValid()) {
        return;
    }
    if (!IsEntry(index)) {
        CItemEmpty::Paint(*painter, option.rect, index.data().toString());
    } else {
        PaintRow(*painter, option.rect, index);
    }
}

QSize ListRowDelegate::sizeHint(const QStyleOptionViewItem& option,
                                const QModelIndex& index) const {
    // The placeholder fills a list too short for it rather than scrolling.
    const int height =
        IsEntry(index) ? RowHeight(index) : std::min(CItemEmpty::kHeight, viewport_->height());
    return QSize(option.rect.width(), height);
}

void ListRowDelegate::UpdateRow(int row) {
    if (row >= 0) {
        view_.viewport()->update(view_.visualRect(view_.model()->index(row, 0)));
    }
}

void ListRowDelegate::MouseAt(const QPoint& pos) {
    const QModelIndex index = view_.indexAt(pos);
    const int row = IsEntry(index) ? index.row() : -1;
    const int control =
        row < 0 ? kNoControl : HitTest(index, pos - view_.visualRect(index).topLeft());
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
    if (watched == &view_) {
        return event->type() == QEvent::KeyPress &&
               KeyPressed(static_cast<QKeyEvent*>(event)->key());
    }
    if (watched != viewport_) {
        return QStyledItemDelegate::eventFilter(watched, event);
    }
    switch (event->type()) {
    case QEvent::MouseMove:
        if (keyboard_) {
            keyboard_ = false;
            viewport_->update();
        }
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
            emit ButtonReleased(SourceRow(view_.model()->index(row, 0)), pushed);
            return true;
        }
        return pushed != kNoControl;
    }
    default:
        break;
    }
    return QStyledItemDelegate::eventFilter(watched, event);
}

bool ListRowDelegate::KeyPressed(int key) {
    const QModelIndex current = view_.currentIndex();
    switch (key) {
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Home:
    case Qt::Key_End:
        // The view moves the current row; from now on it shows as hovered.
        if (!keyboard_) {
            keyboard_ = true;
            hoveredRow_ = -1;
            hot_ = kNoControl;
            UpdateRow(current.row());
        }
        return false;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (IsEntry(current)) {
            emit RowActivated(SourceRow(current));
        }
        return true;
    case Qt::Key_Delete:
        if (IsEntry(current)) {
            emit DeleteRequested(SourceRow(current));
        }
        return true;
    default:
        return false;
    }
}

} // namespace tamberlink
