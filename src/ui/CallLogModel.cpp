#include "ui/CallLogModel.h"

#include "ui/CItemEmpty.h"

#include <algorithm>

namespace tamberlink {

CallLogModel::CallLogModel(QObject* parent)
    : QAbstractListModel(parent) {}

void CallLogModel::Load(std::vector<CallLogRecord> entries) {
    beginResetModel();
    entries_ = std::move(entries);
    checked_.assign(entries_.size(), 0);
    placeholder_ = entries_.empty();
    endResetModel();
}

void CallLogModel::Clear() {
    beginResetModel();
    entries_.clear();
    checked_.clear();
    placeholder_ = false;
    endResetModel();
}

void CallLogModel::RemoveRows(std::vector<int> rows) {
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    rows.erase(std::remove_if(rows.begin(), rows.end(),
                              [this](int row) { return row < 0 || row >= EntryCount(); }),
               rows.end());
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
    // Rows scattered over a long list: one pass over it rather than one per row.
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

bool CallLogModel::IsPlaceholder(int row) const {
    return placeholder_ && row == 0;
}

const CallLogRecord* CallLogModel::Entry(int row) const {
    return row >= 0 && row < EntryCount() ? &entries_[size_t(row)] : nullptr;
}

int CallLogModel::RowOfId(int id) const {
    const auto found = std::find_if(entries_.begin(), entries_.end(),
                                    [id](const CallLogRecord& e) { return e.id == id; });
    return found == entries_.end() ? -1 : int(found - entries_.begin());
}

bool CallLogModel::IsChecked(int row) const {
    return row >= 0 && row < EntryCount() && checked_[size_t(row)] != 0;
}

void CallLogModel::SetChecked(int row, bool checked) {
    if (row < 0 || row >= EntryCount() || (checked_[size_t(row)] != 0) == checked) {
        return;
    }
    checked_[size_t(row)] = checked ? 1 : 0;
    const QModelIndex changed = index(row);
    emit dataChanged(changed, changed, {Qt::CheckStateRole});
}

void CallLogModel::SetAllChecked(bool checked) {
    if (entries_.empty()) {
        return;
    }
    std::fill(checked_.begin(), checked_.end(), checked ? 1 : 0);
    emit dataChanged(index(0), index(EntryCount() - 1), {Qt::CheckStateRole});
}

std::vector<int> CallLogModel::CheckedRows() const {
    std::vector<int> rows;
    for (size_t i = 0; i < checked_.size(); ++i) {
        if (checked_[i] != 0) {
            rows.push_back(int(i));
        }
    }
    return rows;
}

int CallLogModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid()) {
        return 0;
    }
    return placeholder_ ? 1 : EntryCount();
}

QVariant CallLogModel::data(const QModelIndex& index, int role) const {
    if (IsPlaceholder(index.row())) {
        switch (role) {
        case Qt::DisplayRole:
            return CItemEmpty::Text();
        case TagRole:
            return CItemEmpty::kTag;
        default:
            return {};
        }
    }
    const CallLogRecord* entry = Entry(index.row());
    if (entry == nullptr) {
        return {};
    }
    switch (role) {
    case Qt::DisplayRole:
        return entry->name;
    case Qt::CheckStateRole:
        return IsChecked(index.row()) ? Qt::Checked : Qt::Unchecked;
    case TagRole:
        return 0;
    default:
        return {};
    }
}

} // namespace tamberlink
