#pragma once

#include <QListView>

#include <vector>

namespace tamberlink {

// A list view whose cost does not grow with the number of rows. QListView lays out every
// row whenever one is added or removed (a million rows take it tens of milliseconds on each
// new call); here a row's place is worked out from two heights: every row showing a record is
// as high as the first, every other row (the contacts' index rows, which the model names) as
// high as the first of them, and the placeholder of an empty list as its delegate says. So
// nothing is laid out, a row's rectangle is a multiplication, and the row at a point a
// binary search.
class RecordListView : public QListView {
    Q_OBJECT

public:
    explicit RecordListView(QWidget* parent = nullptr);

    QRect visualRect(const QModelIndex& index) const override;
    QModelIndex indexAt(const QPoint& point) const override;
    void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;
    void doItemsLayout() override;
    void setModel(QAbstractItemModel* model) override;
    void reset() override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void updateGeometries() override;
    void scrollContentsBy(int dx, int dy) override;
    int horizontalOffset() const override;
    int verticalOffset() const override;
    QModelIndex moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) override;
    void setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags command) override;
    QRegion visualRegionForSelection(const QItemSelection& selection) const override;
    bool isIndexHidden(const QModelIndex& index) const override;
    QSize viewportSizeHint() const override;
    void rowsInserted(const QModelIndex& parent, int start, int end) override;
    void rowsAboutToBeRemoved(const QModelIndex& parent, int start, int end) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // Reads the heights and the other rows from the model and the delegate once they may
    // have changed; a hidden view is asked for rows before any layout has run.
    void Measure() const;
    int RowCount() const;
    // Where the row `row` begins, from the top of the list; RowTop(RowCount()) is its height.
    int RowTop(int row) const;
    int RowHeight(int row) const;
    // The row at `y` from the top of the list, or -1 below the last.
    int RowAtY(int y) const;
    // How many other rows come before `row`.
    int OthersBefore(int row) const;
    int RowsPerPage() const;

    mutable bool measured_ = false;
    mutable int entryHeight_ = 1;
    mutable int otherHeight_ = 1;
    // The placeholder's height when the list shows one, else 0.
    mutable int placeholderHeight_ = 0;
    // The model's rows that show no record (sorted), measured with the rest.
    mutable std::vector<int> others_;
};

} // namespace tamberlink
