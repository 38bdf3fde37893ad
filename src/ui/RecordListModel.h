#pragma once

#include "ui/CItemEmpty.h"

#include <QAbstractListModel>

#include <algorithm>
#include <iterator>
#include <vector>

namespace tamberlink {

// What the long lists of the pages share, whatever records they show: a check mark per row
// and, for an empty list, the placeholder row (tag CItemEmpty::kTag) that no operation on
// the rows touches. Rows are painted by a delegate from the records on demand, so a list of
// 100,000 records stays light.
class RecordListModelBase : public QAbstractListModel {
    Q_OBJECT

public:
    enum Role {
        TagRole = Qt::UserRole, // CItemEmpty::kTag for the placeholder, else 0
    };

    explicit RecordListModelBase(QObject* parent = nullptr)
        : QAbstractListModel(parent) {}

    // Records shown, the placeholder not counted.
    virtual int EntryCount() const = 0;

    bool IsPlaceholder(int row) const { return placeholder_ && row == 0; }
    bool HasPlaceholder() const { return placeholder_; }
    // A row showing a record (not the placeholder, not out of range).
    bool IsEntryRow(int row) const { return row >= 0 && row < EntryCount(); }

    bool IsChecked(int row) const;
    void SetChecked(int row, bool checked);
    void SetAllChecked(bool checked);
    std::vector<int> CheckedRows() const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

protected:
    // The text the placeholder row shows, and the display text of a record's row.
    virtual QString PlaceholderText() const = 0;
    virtual QString DisplayText(int row) const = 0;

    std::vector<char> checked_;
    bool placeholder_ = false;
};

// The records of a list, in the order shown; `Record` has an integer `id`.
template <class Record>
class RecordListModel : public RecordListModelBase {
public:
    using RecordListModelBase::RecordListModelBase;

    // Replaces every row; an empty list shows the placeholder. Check marks are cleared.
    void Load(std::vector<Record> entries) {
        beginResetModel();
        entries_ = std::move(entries);
        checked_.assign(entries_.size(), 0);
        placeholder_ = entries_.empty();
        endResetModel();
    }

    // Adds rows at the end, unchecked; a list showing the placeholder shows them instead.
    void Append(std::vector<Record> more) {
        if (more.empty()) {
            return;
        }
        if (placeholder_) {
            Load(std::move(more));
            return;
        }
        const int first = EntryCount();
        beginInsertRows({}, first, first + int(more.size()) - 1);
        entries_.insert(entries_.end(), std::make_move_iterator(more.begin()),
                        std::make_move_iterator(more.end()));
        checked_.resize(entries_.size(), 0);
        endInsertRows();
    }

    // Empties the list, without a placeholder.
    void Clear() {
        beginResetModel();
        entries_.clear();
        checked_.clear();
        placeholder_ = false;
        endResetModel();
    }

    // Removes the rows at `rows` (placeholder and unknown rows are ignored). Scattered rows
    // go in one pass that resets the model, rather than one removal per row.
    void RemoveRows(std::vector<int> rows) {
        std::sort(rows.begin(), rows.end());
        rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
        std::erase_if(rows, [this](int row) { return !IsEntryRow(row); });
        if (rows.empty()) {
            return;
        }
        if (rows.back() - rows.front() + 1 == int(rows.size())) {
            beginRemoveRows({}, rows.front(), rows.back());
            entries_.erase(entries_.begin() + rows.front(), entries_.begin() + rows.back() + 1);
            checked_.erase(checked_.begin() + rows.front(), checked_.begin() + rows.back() + 1);
            endRemoveRows();
            return;
        }
        beginResetModel();
        size_t kept = 0;
        auto next = rows.cbegin();
        for (size_t i = 0; i < entries_.size(); ++i) {
            if (next != rows.cend() && *next == int(i)) {
                ++next;
                continue;
            }
            if (kept != i) {
                entries_[kept] = std::move(entries_[i]);
                checked_[kept] = checked_[i];
            }
            ++kept;
        }
        entries_.resize(kept);
        checked_.resize(kept);
        endResetModel();
    }

    // Removes the checked rows, all at once when every row is checked (which leaves the
    // placeholder). Returns the ids of their records, in list order.
    std::vector<int> RemoveCheckedRows() {
        const std::vector<int> rows = CheckedRows();
        std::vector<int> ids = IdsOf(rows);
        if (!rows.empty() && int(rows.size()) == EntryCount()) {
            Load({});
        } else {
            RemoveRows(rows);
        }
        return ids;
    }

    // Shows `record` in place of the one at `row`, keeping its check mark; nothing for the
    // placeholder or an unknown row.
    void Replace(int row, Record record) {
        if (!IsEntryRow(row)) {
            return;
        }
        entries_[size_t(row)] = std::move(record);
        const QModelIndex changed = index(row);
        emit dataChanged(changed, changed);
    }

    // The record shown at `row`, nullptr for the placeholder or an unknown row.
    const Record* Entry(int row) const {
        return IsEntryRow(row) ? &entries_[size_t(row)] : nullptr;
    }
    int EntryCount() const override { return int(entries_.size()); }

    // The row showing the record `id`, or -1.
    int RowOfId(int id) const {
        const auto found = std::find_if(entries_.begin(), entries_.end(),
                                        [id](const Record& e) { return e.id == id; });
        return found == entries_.end() ? -1 : int(found - entries_.begin());
    }

    // The ids of the records at `rows`, in that order.
    std::vector<int> IdsOf(const std::vector<int>& rows) const {
        std::vector<int> ids;
        ids.reserve(rows.size());
        for (int row : rows) {
            if (const Record* entry = Entry(row)) {
                ids.push_back(entry->id);
            }
        }
        return ids;
    }

protected:
    std::vector<Record> entries_;
};

} // namespace tamberlink
