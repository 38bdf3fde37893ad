#include "ui/lists/RecordListModel.h"

#include "app/AppCore.h"

#include <QPointer>

namespace tamberlink {

RecordListModelBase::RecordListModelBase(QObject* parent)
    : QAbstractListModel(parent) {}

void RecordListModelBase::ReadInBackground(AppCore& core, Read read) {
    // The guard is only copied on the reader thread and looked at on the UI thread, where
    // the model lives and dies.
    const QPointer<RecordListModelBase> self(this);
    AppCore* host = &core;
    core.ReadInBackground([self, host, read = std::move(read)](LocalDatabase& db) {
        std::function<void()> land = read(db);
        if (land) {
            host->PostToUiThread([self, land = std::move(land)] {
                if (self != nullptr) {
                    land();
                }
            });
        }
    });
}

void RecordListModelBase::StartReload(Read read) {
    if (core_ == nullptr) {
        return;
    }
    const int generation = ++*awaited_;
    loading_ = true;
    firstShown_ = false;
    touched_.clear();
    removed_.clear();
    PostReload(generation, std::move(read));
}

void RecordListModelBase::ContinueReload(Read read) {
    loading_ = true;
    continued_ = true;
    PostReload(awaited_->load(), std::move(read));
}

void RecordListModelBase::PostReload(int generation, Read read) {
    ReadInBackground(*core_,
                     [this, generation, awaited = awaited_,
                      read = std::move(read)](LocalDatabase& db) -> Landing {
                         if (awaited->load() != generation) {
                             return {}; // a later reload's read is on its way
                         }
                         return [this, generation, land = read(db)] {
                             if (generation != awaited_->load()) {
                                 return;
                             }
                             loading_ = false;
                             continued_ = false;
                             land();
                             const bool first = !firstShown_;
                             firstShown_ = true;
                             if (first) {
                                 emit FirstScreenShown();
                             }
                             if (continued_) {
                                 return;
                             }
                             touched_.clear();
                             removed_.clear();
                             emit Loaded();
                         };
                     });
}

void RecordListModelBase::CancelReload() {
    if (!loading_) {
        return;
    }
    ++*awaited_;
    loading_ = false;
    touched_.clear();
    removed_.clear();
}

LocalDatabase& RecordListModelBase::Database(AppCore& core) {
    return core.Database();
}

void RecordListModelBase::SetPlaceholder(bool shown) {
    if (placeholder_ == shown) {
        return;
    }
    if (shown) {
        beginInsertRows({}, 0, 0);
        placeholder_ = true;
        endInsertRows();
    } else {
        beginRemoveRows({}, 0, 0);
        placeholder_ = false;
        endRemoveRows();
    }
}

bool RecordListModelBase::IsChecked(int row) const {
    return IsEntryRow(row) && checked_[size_t(row)];
}

void RecordListModelBase::SetChecked(int row, bool checked) {
    if (!IsEntryRow(row) || checked_[size_t(row)] == checked) {
        return;
    }
    checked_.Set(size_t(row), checked);
    const QModelIndex changed = index(row);
    emit dataChanged(changed, changed, {Qt::CheckStateRole});
}

void RecordListModelBase::SetAllChecked(bool checked) {
    if (EntryCount() == 0) {
        return;
    }
    checked_.Assign(checked_.size(), checked);
    emit dataChanged(index(0), index(EntryCount() - 1), {Qt::CheckStateRole});
}

std::vector<int> RecordListModelBase::CheckedRows() const {
    std::vector<int> rows;
    for (size_t i = 0; i < checked_.size(); ++i) {
        if (checked_[i]) {
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

QModelIndex RecordListModelBase::index(int row, int column, const QModelIndex& parent) const {
    if (column != 0 || row < 0 || parent.isValid() || row >= (placeholder_ ? 1 : EntryCount())) {
        return {};
    }
    return createIndex(row, 0);
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
    case RecordRole:
        return QVariant::fromValue(reinterpret_cast<quintptr>(RecordAt(row)));
    case OtherRowRole:
        return IsOtherRow(row);
    default:
        return {};
    }
}

} // namespace tamberlink
