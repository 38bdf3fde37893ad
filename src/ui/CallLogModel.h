#pragma once

#include "store/CallLogRecord.h"

#include <QAbstractListModel>

#include <vector>

namespace tamberlink {

// The rows of the call records list, newest first, with their check boxes. An empty call
// log shows the placeholder row instead (tag CItemEmpty::kTag), which no operation on the
// rows touches. Holding only the entries keeps a list of 100,000 calls light: rows are
// painted from them on demand.
class CallLogModel : public QAbstractListModel {
    Q_OBJECT

public:
    enum Role {
        TagRole = Qt::UserRole, // CItemEmpty::kTag for the placeholder, else 0
    };

    explicit CallLogModel(QObject* parent = nullptr);

    // Replaces every row; an empty log shows the placeholder. Check marks are cleared.
    void Load(std::vector<CallLogRecord> entries);
    // Empties the list, without a placeholder.
    void Clear();
    // Removes the rows at `rows` (placeholder and unknown rows are ignored). Scattered rows
    // go in one step that resets the model.
    void RemoveRows(std::vector<int> rows);

    bool IsPlaceholder(int row) const;
    bool HasPlaceholder() const { return placeholder_; }
    // The entry shown at `row`, nullptr for the placeholder or an unknown row.
    const CallLogRecord* Entry(int row) const;
    // Entries shown, the placeholder not counted.
    int EntryCount() const { return int(entries_.size()); }
    // The row showing the entry `id`, or -1.
    int RowOfId(int id) const;

    bool IsChecked(int row) const;
    void SetChecked(int row, bool checked);
    void SetAllChecked(bool checked);
    std::vector<int> CheckedRows() const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

private:
    std::vector<CallLogRecord> entries_;
    std::vector<char> checked_;
    bool placeholder_ = false;
};

} // namespace tamberlink
