#pragma once

#include <QPersistentModelIndex>
#include <QStyledItemDelegate>

class QAbstractItemView;

namespace tamberlink {

// Paints a list of records whose rows draw their own buttons, and makes those buttons and
// the keyboard work: the row under the mouse is known (rows show their action buttons then),
// the button under the mouse is hot and, while the mouse button is down on it, pushed; a
// button acts when the mouse button is released over the one it went down on. The arrow keys
// move the current row, which then shows as the row under the mouse does; Enter activates it
// and Delete asks to delete it. The placeholder row of an empty list is painted here and has
// no buttons. Derived delegates paint a record's row and say where its buttons are; buttons
// are numbered from 1, 0 meaning none.
//
// Rows are read through the model's roles (RecordListModelBase::TagRole and RecordRole), so a
// proxy model may stand between the records and the view; the rows the signals name are
// those of the records' own model.
class ListRowDelegate : public QStyledItemDelegate {
    Q_OBJECT

public:
    static constexpr int kNoControl = 0;

    // A delegate for `view`, which shows its model already; ShowRows makes it the view's.
    explicit ListRowDelegate(QAbstractItemView& view);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

    // The view's row under the mouse, or the current row while the keyboard moves it; -1
    // when there is none.
    int HoveredRow() const;
    // The button under the mouse in the view's `row`, and the one the mouse button is down
    // on while the mouse stays over it.
    int HotControl(int row) const { return row == hoveredRow_ ? hot_ : kNoControl; }
    int PushedControl(int row) const {
        return row == pushedRow_ && pushed_ == HotControl(row) ? pushed_ : kNoControl;
    }

signals:
    void ButtonReleased(int row, int control);
    // Enter on the current row, and Delete.
    void RowActivated(int row);
    void DeleteRequested(int row);

protected:
    // The button of the row `index` at `pos` (row coordinates), or kNoControl.
    virtual int HitTest(const QModelIndex& index, const QPoint& pos) const = 0;
    virtual void PaintRow(QPainter& painter, const QRect& rowRect,
                          const QModelIndex& index) const = 0;
    virtual int RowHeight(const QModelIndex& index) const = 0;
    // The width of a row, for buttons placed from its right end.
    int RowWidth() const;
    const QAbstractItemView& View() const { return view_; }
    // A row showing a record or an index row: not the placeholder, not out of range.
    static bool IsEntry(const QModelIndex& index);

    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void MouseAt(const QPoint& pos);
    void UpdateRow(int row);
    // The row of `index` in the model under any proxies.
    static int SourceRow(QModelIndex index);
    bool KeyPressed(int key);

    QAbstractItemView& view_;
    QWidget* const viewport_;
    int hoveredRow_ = -1;
    int hot_ = kNoControl;
    int pushedRow_ = -1;
    int pushed_ = kNoControl;
    // The current row shows as hovered from an arrow key until the mouse moves.
    bool keyboard_ = false;
};

} // namespace tamberlink
