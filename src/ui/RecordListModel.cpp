#include "ui/RecordListModel.h"

namespace tamberlink {

bool RecordListModelBase::IsChecked(int row) const {
    return IsEntryRow(row) && checked_[size_t(row)] != 0;
}

void RecordListModelBase::SetChecked(int row, bool checked) {
    if (!IsEntryRow(row) || (checked_[size_t(row)] != 0) == checked) {
        return;
    }
    checked_[size_t(row)] = checked ? 1 : 0;
    const QModelIndex changed = index(row);
    emit dataChanged(changed, changed, {Qt::CheckStateRole});
}

void RecordListModelBase::SetAllChecked(bool checked) {
    if (EntryCount() == 0) {
        return;
    }
    std::fill(checked_.begin(), checked_.end(), checked ? 1 : 0);
    emit dataChanged(index(0), index(EntryCount() - 1), {Qt::CheckStateRole});
}

std::vector<int> RecordListModelBase::CheckedRows() const {
    std::vector<int> rows;
    for (size_t i = 0; i < checked_.size(); ++i) {
        if (checked_[i] != 0) {
            rows.push_back(int(i));
        }
    }
    return rows;
}

int RecordListModelBase::rowCount(const QModelIndex& parent) const {
    if (parent.isValid()) {
        return 0;
    }
    return placeholder_ ? 1 : EntryCount();
}

QVariant RecordListModelBase::data(const QModelIndex& index, int role) const {
    const int row = index.row();
    if (IsPlaceholder(row)) {
        switch (role) {
        case Qt::DisplayRole:
            return PlaceholderText();
        case TagRole:
            return CItemEmpty::kTag;
        default:
            return {};
        }
    }
    if (!IsEntryRow(row)) {
        return {};
    }
    switch (role) {
    case Qt::DisplayRole:
        return DisplayText(row);
    case Qt::CheckStateRole:
        return IsChecked(row) ? Qt::Checked : Qt::Unchecked;
    case TagRole:
        return 0;
    default:
        return {};
    }
}

} // namespace tamberlink
