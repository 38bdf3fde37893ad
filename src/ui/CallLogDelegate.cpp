#include "ui/CallLogDelegate.h"

#include "ui/CItemEmpty.h"
#include "ui/CallLogModel.h"
#include "ui/RecordingPlayback.h"

#include <QAbstractItemView>
#include <QCursor>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

namespace tamberlink {

using Control = CItemRecordUI::Control;

CallLogDelegate::CallLogDelegate(const CallLogModel& model, const RecordingPlayback& playback,
                                 QAbstractItemView& view)
    : QStyledItemDelegate(&view)
    , model_(model)
    , playback_(playback)
    , view_(view) {
    view_.setMouseTracking(true);
    view_.viewport()->installEventFilter(this);
    // Rows come and go with every reload: what was under the mouse is found again.
    const auto reset = [this] {
        hoveredRow_ = -1;
        hot_ = Control::None;
        pushedRow_ = -1;
        pushed_ = Control::None;
    };
    connect(&model_, &QAbstractItemModel::modelReset, this, reset);
    connect(&model_, &QAbstractItemModel::rowsRemoved, this, reset);
    // Scrolling moves other rows under a mouse that stands still.
    connect(view_.verticalScrollBar(), &QScrollBar::valueChanged, this, [this] {
        if (view_.viewport()->underMouse()) {
            MouseAt(view_.viewport()->mapFromGlobal(QCursor::pos()));
        }
    });
}

CItemRecordUI::State CallLogDelegate::StateOf(int row) const {
    CItemRecordUI::State state;
    state.checked = model_.IsChecked(row);
    state.hovered = row == hoveredRow_;
    if (const CallLogRecord* entry = model_.Entry(row)) {
        state.playing = playback_.IsActive(entry->id);
    }
    if (state.hovered) {
        state.hot = hot_;
    }
    if (row == pushedRow_) {
        state.pushed = pushed_;
    }
    return state;
}

void CallLogDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                            const QModelIndex& index) const {
    if (model_.IsPlaceholder(index.row())) {
        CItemEmpty::Paint(*painter, option.rect);
        return;
    }
    if (const CallLogRecord* entry = model_.Entry(index.row())) {
        CItemRecordUI(*entry).Paint(*painter, option.rect, StateOf(index.row()));
    }
}

QSize CallLogDelegate::sizeHint(const QStyleOptionViewItem& option,
                                const QModelIndex& index) const {
    const int height =
        model_.IsPlaceholder(index.row()) ? CItemEmpty::kHeight : CItemRecordUI::kHeight;
    return QSize(option.rect.width(), height);
}

Control CallLogDelegate::ControlAt(const QPoint& pos, int* row) const {
    const QModelIndex index = view_.indexAt(pos);
    *row = index.isValid() ? index.row() : -1;
    const CallLogRecord* entry = model_.Entry(*row);
    if (entry == nullptr) {
        return Control::None;
    }
    const QRect rect = view_.visualRect(index);
    return CItemRecordUI(*entry).HitTest(pos - rect.topLeft(), true);
}

void CallLogDelegate::UpdateRow(int row) {
    if (row >= 0) {
        view_.viewport()->update(view_.visualRect(model_.index(row)));
    }
}

void CallLogDelegate::MouseAt(const QPoint& pos) {
    int row = -1;
    Control control = ControlAt(pos, &row);
    if (model_.Entry(row) == nullptr) {
        row = -1;
    }
    if (row != hoveredRow_ || control != hot_) {
        const int previous = hoveredRow_;
        hoveredRow_ = row;
        hot_ = control;
        UpdateRow(previous);
        UpdateRow(row);
    }
}

bool CallLogDelegate::eventFilter(QObject* watched, QEvent* event) {
    if (watched != view_.viewport()) {
        return QStyledItemDelegate::eventFilter(watched, event);
    }
    switch (event->type()) {
    case QEvent::MouseMove:
        MouseAt(static_cast<QMouseEvent*>(event)->position().toPoint());
        break;
    case QEvent::Leave: {
        const int previous = hoveredRow_;
        hoveredRow_ = -1;
        hot_ = Control::None;
        UpdateRow(previous);
        break;
    }
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() != Qt::LeftButton) {
            break;
        }
        MouseAt(mouse->position().toPoint());
        pushed_ = hot_;
        pushedRow_ = pushed_ == Control::None ? -1 : hoveredRow_;
        UpdateRow(pushedRow_);
        return pushed_ != Control::None;
    }
    case QEvent::MouseButtonRelease: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() != Qt::LeftButton) {
            break;
        }
        const int row = pushedRow_;
        const Control pushed = pushed_;
        pushedRow_ = -1;
        pushed_ = Control::None;
        MouseAt(mouse->position().toPoint());
        UpdateRow(row);
        if (pushed != Control::None && row == hoveredRow_ && pushed == hot_) {
            emit ButtonReleased(row, pushed);
            return true;
        }
        return pushed != Control::None;
    }
    default:
        break;
    }
    return QStyledItemDelegate::eventFilter(watched, event);
}

} // namespace tamberlink
