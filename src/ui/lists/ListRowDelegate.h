#pragma once

#include <QStyledItemDelegate>

class QAbstractItemView;

namespace tamberlink {

class RecordListModelBase;

// Paints a list of records whose rows draw their own buttons, and makes those buttons work:
// the row under the mouse is known (rows show their action buttons then), the button under
// the mouse is hot and, while the mouse button is down on it, pushed; a button acts when the
// mouse button is released over the one it went down on. The placeholder row of an empty
// list is painted here and has no buttons. Derived delegates paint a record's row and say
// where its buttons are; buttons are numbered from 1, 0 meaning none.
class ListRowDelegate : public QStyledItemDelegate {
    Q_OBJECT

public:
    static constexpr int kNoControl = 0;

    // Becomes the delegate of `view`, which shows `model`, and sets the view up for rows.
    ListRowDelegate(const RecordListModelBase& model, QAbstractItemView& view);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

    // The row under the mouse, or -1.
    int HoveredRow() const { return hoveredRow_; }
    // The button under the mouse in `row`, and the one the mouse button is down on.
    int HotControl(int row) const { return row == hoveredRow_ ? hot_ : kNoControl; }
    int PushedControl(int row) const { return row == pushedRow_ ? pushed_ : kNoControl; }

signals:
    void ButtonReleased(int row, int control);

protected:
    // The button of record row `row` at `pos` (row coordinates), or kNoControl.
    virtual int HitTest(int row, const QPoint& pos) const = 0;
    virtual void PaintRow(QPainter& painter, const QRect& rowRect, int row) const = 0;
    virtual int RowHeight() const = 0;
    // The height of record row `row`, for lists whose rows differ (index rows between
    // records); such a list's view must not assume uniform item sizes.
    virtual int RowHeightOf(int /*row*/) const { return RowHeight(); }
    // The width of a row, for buttons placed from its right end.
    int RowWidth() const;

    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void MouseAt(const QPoint& pos);
    void UpdateRow(int row);

    const RecordListModelBase& model_;
    QAbstractItemView& view_;
    QWidget* const viewport_;
    int hoveredRow_ = -1;
    int hot_ = kNoControl;
    int pushedRow_ = -1;
    int pushed_ = kNoControl;
};

} // namespace tamberlink
