#include "ui/lists/RecordListView.h"

#include "ui/lists/CItemEmpty.h"
#include "ui/lists/RecordListModel.h"

#include <QAbstractProxyModel>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>

namespace tamberlink {

RecordListView::RecordListView(QWidget* parent)
    : QListView(parent) {
    setUniformItemSizes(true);
}

int RecordListView::RowCount() const {
    return model() == nullptr ? 0 : model()->rowCount(rootIndex());
}

int RecordListView::OthersBefore(int row) const {
    return int(std::lower_bound(others_.begin(), others_.end(), row) - others_.begin());
}

int RecordListView::RowTop(int row) const {
    Measure();
    if (placeholderHeight_ > 0) {
        return row <= 0 ? 0 : placeholderHeight_;
    }
    const int others = OthersBefore(row);
    return (row - others) * entryHeight_ + others * otherHeight_;
}

int RecordListView::RowHeight(int row) const {
    Measure();
    if (placeholderHeight_ > 0) {
        return placeholderHeight_;
    }
    return std::binary_search(others_.begin(), others_.end(), row) ? otherHeight_ : entryHeight_;
}

int RecordListView::RowAtY(int y) const {
    const int count = RowCount();
    if (y < 0 || count == 0 || y >= RowTop(count)) {
        return -1;
    }
    // The last row whose top is at or above y.
    int low = 0;
    int high = count - 1;
    while (low < high) {
        const int middle = low + (high - low + 1) / 2;
        if (RowTop(middle) <= y) {
            low = middle;
        } else {
            high = middle - 1;
        }
    }
    return low;
}

int RecordListView::RowsPerPage() const {
    Measure();
    return std::max(1, viewport()->height() / std::max(1, entryHeight_));
}

void RecordListView::Measure() const {
    if (measured_) {
        return;
    }
    measured_ = true;
    others_.clear();
    placeholderHeight_ = 0;
    const int count = RowCount();
    if (count == 0 || itemDelegate() == nullptr) {
        return;
    }
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    option.rect = QRect(0, 0, viewport()->width(), 0);
    const auto heightOf = [&](int row) {
        return std::max(
            1, itemDelegate()->sizeHint(option, model()->index(row, 0, rootIndex())).height());
    };
    if (count == 1 &&
        model()->index(0, 0, rootIndex()).data(RecordListModelBase::TagRole).toInt() ==
            CItemEmpty::kTag) {
        placeholderHeight_ = heightOf(0);
        return;
    }
    // Only the records' own model can name its other rows without a look at every row.
    const auto* records = qobject_cast<const RecordListModelBase*>(model());
    if (records != nullptr && !rootIndex().isValid()) {
        others_ = records->OtherRows();
    }
    int firstEntry = 0;
    for (int other : others_) {
        if (other != firstEntry) {
            break;
        }
        ++firstEntry;
    }
    entryHeight_ = firstEntry < count ? heightOf(firstEntry) : 1;
    otherHeight_ = others_.empty() ? entryHeight_ : heightOf(others_.front());
}

void RecordListView::setModel(QAbstractItemModel* model) {
    measured_ = false;
    QListView::setModel(model);
    if (model != nullptr) {
        const auto stale = [this] {
            measured_ = false;
        };
        connect(model, &QAbstractItemModel::rowsRemoved, this, stale);
        connect(model, &QAbstractItemModel::layoutChanged, this, stale);
    }
}

void RecordListView::reset() {
    measured_ = false;
    QListView::reset();
}

void RecordListView::rowsInserted(const QModelIndex& parent, int start, int end) {
    measured_ = false;
    QListView::rowsInserted(parent, start, end);
}

void RecordListView::rowsAboutToBeRemoved(const QModelIndex& parent, int start, int end) {
    measured_ = false;
    QListView::rowsAboutToBeRemoved(parent, start, end);
}

void RecordListView::resizeEvent(QResizeEvent* event) {
    measured_ = false;
    QListView::resizeEvent(event);
}

void RecordListView::doItemsLayout() {
    measured_ = false;
    Measure();
    // Skips QListView's layout of every row, keeping what the base view does for a layout.
    QAbstractItemView::doItemsLayout();
}

void RecordListView::updateGeometries() {
    Measure();
    const int height = RowTop(RowCount());
    QScrollBar* bar = verticalScrollBar();
    bar->setSingleStep(entryHeight_);
    bar->setPageStep(viewport()->height());
    bar->setRange(0, std::max(0, height - viewport()->height()));
    horizontalScrollBar()->setRange(0, 0);
    QAbstractItemView::updateGeometries();
}

QRect RecordListView::visualRect(const QModelIndex& index) const {
    if (!index.isValid() || index.parent() != rootIndex() || index.row() >= RowCount()) {
        return {};
    }
    const int row = index.row();
    return {0, RowTop(row) - verticalOffset(), viewport()->width(), RowHeight(row)};
}

QModelIndex RecordListView::indexAt(const QPoint& point) const {
    if (point.x() < 0 || point.x() >= viewport()->width()) {
        return {};
    }
    const int row = RowAtY(point.y() + verticalOffset());
    return row < 0 ? QModelIndex() : model()->index(row, 0, rootIndex());
}

void RecordListView::scrollTo(const QModelIndex& index, ScrollHint hint) {
    if (!index.isValid() || index.row() >= RowCount()) {
        return;
    }
    const int top = RowTop(index.row());
    const int height = RowHeight(index.row());
    const int shown = viewport()->height();
    const int now = verticalOffset();
    int to = now;
    switch (hint) {
    case PositionAtTop:
        to = top;
        break;
    case PositionAtBottom:
        to = top + height - shown;
        break;
    case PositionAtCenter:
        to = top + (height - shown) / 2;
        break;
    case EnsureVisible:
        if (top < now) {
            to = top;
        } else if (top + height > now + shown) {
            to = std::min(top, top + height - shown);
        }
        break;
    }
    verticalScrollBar()->setValue(to);
}

void RecordListView::scrollContentsBy(int dx, int dy) {
    // The base view scrolls the viewport's pixels; QListView's would consult its layout.
    QAbstractItemView::scrollContentsBy(dx, dy);
}

int RecordListView::horizontalOffset() const {
    return 0;
}

int RecordListView::verticalOffset() const {
    return verticalScrollBar()->value();
}

void RecordListView::paintEvent(QPaintEvent* event) {
    QPainter painter(viewport());
    const int count = RowCount();
    if (count == 0 || itemDelegate() == nullptr) {
        return;
    }
    const QRect area = event->rect();
    int row = RowAtY(area.top() + verticalOffset());
    if (row < 0) {
        return;
    }
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    const QModelIndex current = currentIndex();
    const bool focused = hasFocus();
    for (; row < count; ++row) {
        const QModelIndex index = model()->index(row, 0, rootIndex());
        option.rect = visualRect(index);
        if (option.rect.top() > area.bottom()) {
            break;
        }
        option.state &= ~(QStyle::State_Selected | QStyle::State_HasFocus);
        if (selectionModel() != nullptr && selectionModel()->isSelected(index)) {
            option.state |= QStyle::State_Selected;
        }
        if (focused && index == current) {
            option.state |= QStyle::State_HasFocus;
        }
        itemDelegate()->paint(&painter, option, index);
    }
}

QModelIndex RecordListView::moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers) {
    const int count = RowCount();
    if (count == 0) {
        return {};
    }
    const int now = currentIndex().isValid() ? currentIndex().row() : -1;
    int to = now;
    switch (cursorAction) {
    case MoveUp:
    case MovePrevious:
        to = now < 0 ? 0 : now - 1;
        break;
    case MoveDown:
    case MoveNext:
        to = now + 1;
        break;
    case MovePageUp:
        to = now - RowsPerPage();
        break;
    case MovePageDown:
        to = now + RowsPerPage();
        break;
    case MoveHome:
        to = 0;
        break;
    case MoveEnd:
        to = count - 1;
        break;
    default:
        break;
    }
    return model()->index(std::clamp(to, 0, count - 1), 0, rootIndex());
}

void RecordListView::setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags command) {
    if (selectionModel() == nullptr || selectionMode() == NoSelection) {
        return;
    }
    const QRect normal = rect.normalized();
    const int first = RowAtY(std::max(0, normal.top() + verticalOffset()));
    if (first < 0) {
        return;
    }
    int last = RowAtY(normal.bottom() + verticalOffset());
    if (last < 0) {
        last = RowCount() - 1;
    }
    selectionModel()->select(
        QItemSelection(model()->index(first, 0, rootIndex()), model()->index(last, 0, rootIndex())),
        command);
}

QRegion RecordListView::visualRegionForSelection(const QItemSelection& selection) const {
    QRegion region;
    for (const QItemSelectionRange& range : selection) {
        if (range.parent() != rootIndex()) {
            continue;
        }
        const QRect first = visualRect(model()->index(range.top(), 0, rootIndex()));
        const QRect last = visualRect(model()->index(range.bottom(), 0, rootIndex()));
        region += first.united(last).intersected(viewport()->rect());
    }
    return region;
}

bool RecordListView::isIndexHidden(const QModelIndex&) const {
    return false;
}

QSize RecordListView::viewportSizeHint() const {
    return {viewport()->width(), RowTop(RowCount())};
}

} // namespace tamberlink
