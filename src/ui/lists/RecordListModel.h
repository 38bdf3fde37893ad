#pragma once

#include "ui/lists/CItemEmpty.h"

#include <QAbstractListModel>

#include <algorithm>
#include <atomic>
#include <deque>
#include <functional>
#include <iterator>
#include <memory>
#include <optional>
#include <set>
#include <type_traits>
#include <vector>

namespace tamberlink {

class AppCore;
class LocalDatabase;

// What the long lists of the pages share, whatever records they show: a check mark per row
// and, for an empty list, the placeholder row (tag CItemEmpty::kTag) that no operation on
// the rows touches. Rows are painted by a delegate from the records on demand, so a list of
// 100,000 records stays light.
class RecordListModelBase : public QAbstractListModel {
    Q_OBJECT

public:
    enum Role {
        TagRole = Qt::UserRole, // CItemEmpty::kTag for the placeholder, else 0
        // The record a row shows, as the address (quintptr) of the model's record (0 for
        // rows that show no record, such as the contacts' index rows): delegates read rows
        // through it, so that a proxy model between the model and the view changes nothing.
        RecordRole,
    };

    explicit RecordListModelBase(QObject* parent = nullptr);

    // Records shown, the placeholder not counted.
    virtual int EntryCount() const = 0;

    bool IsPlaceholder(int row) const { return placeholder_ && row == 0; }
    bool HasPlaceholder() const { return placeholder_; }
    // A row showing a record (not the placeholder, not out of range).
    bool IsEntryRow(int row) const { return row >= 0 && row < EntryCount(); }
    // From a reload until its read has landed.
    bool IsLoading() const { return loading_; }

    bool IsChecked(int row) const;
    void SetChecked(int row, bool checked);
    void SetAllChecked(bool checked);
    std::vector<int> CheckedRows() const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

signals:
    // A reload's read has landed: the list holds the table's rows.
    void Loaded();

protected:
    // The text the placeholder row shows, and the display text of a record's row.
    virtual QString PlaceholderText() const = 0;
    virtual QString DisplayText(int row) const = 0;
    // What RecordRole gives for an entry row.
    virtual const void* RecordAt(int row) const = 0;

    // What a read hands to the UI thread: the function that shows what it read.
    using Landing = std::function<void()>;
    using Read = std::function<Landing(LocalDatabase&)>;

    // Runs `read` on the core's reader thread; the function it returns then runs on the UI
    // thread, unless this model is gone by then.
    void ReadInBackground(AppCore& core, Read read);
    // Begins a reload from the core: `read` runs on the reader thread and its landing on the
    // UI thread, followed by Loaded; either is skipped once a later reload (or CancelReload)
    // has superseded this one. While it is under way the model is loading, and notes in
    // touched_ and removed_ what must survive the landing.
    void StartReload(Read read);
    // Drops the reload under way, if any: its read will not land.
    void CancelReload();
    // Frees `old`, a container of records no longer shown. Freeing a hundred thousand records
    // takes the UI thread long enough to be felt: the reader thread does it.
    template <class Container>
    void Discard(Container old) {
        if (old.empty() || core_ == nullptr) {
            return;
        }
        ReadInBackground(*core_,
                         [old = std::make_shared<Container>(std::move(old))](LocalDatabase&) {
                             old->clear();
                             return Landing();
                         });
    }
    // The core's own connection, for reading a few rows on the UI thread.
    static LocalDatabase& Database(AppCore& core);
    // Shows or hides the placeholder row, telling the views.
    void SetPlaceholder(bool shown);

    // Where reloads read from; none until the page names its source.
    AppCore* core_ = nullptr;
    std::vector<char> checked_;
    bool placeholder_ = false;
    bool loading_ = false;
    // The reload whose read is awaited; a read that is no longer awaited is skipped.
    std::shared_ptr<std::atomic<int>> awaited_ = std::make_shared<std::atomic<int>>(0);
    // While a reload's read is under way: rows read again meanwhile (read once more when it
    // lands, since it may have read them earlier) and rows removed meanwhile (kept out).
    std::set<int> touched_;
    std::set<int> removed_;
};

// The order of a list that shows the newest record first: falling ids.
struct NewestFirst {
    template <class Record>
    bool operator()(const Record& a, const Record& b) const {
        return a.id > b.id;
    }
};

// The order of a list that shows the oldest record first: rising ids.
struct OldestFirst {
    template <class Record>
    bool operator()(const Record& a, const Record& b) const {
        return a.id < b.id;
    }
};

// The records of a list, in the order `Order` gives; `Record` has an integer `id`. A page
// names where the records come from once (SetSource), then asks for a Reload when the whole
// table may have changed and for a Refresh of the rows a write reported; no read of the whole
// table ever runs on the UI thread. The rows are kept in a deque, so that a new record at the
// top of a long list moves no other record and never makes the list reallocate.
template <class Record, class Order = NewestFirst>
class RecordListModel : public RecordListModelBase {
public:
    using RecordListModelBase::RecordListModelBase;
    using Rows = std::deque<Record>;

    // Reads every record of the list, in order; runs on the core's reader thread with a
    // connection of its own.
    using ReadAll = std::function<std::vector<Record>(LocalDatabase&)>;
    // Reads one record by id, nullopt when it is gone; runs on the UI thread.
    using ReadOne = std::function<std::optional<Record>(LocalDatabase&, int id)>;

    void SetSource(AppCore& core, ReadAll readAll, ReadOne readOne) {
        core_ = &core;
        readAll_ = std::move(readAll);
        readOne_ = std::move(readOne);
    }

    // Reads the whole list again without holding up the UI thread. The rows shown stay until
    // the read lands, in one reset (a list never filled shows nothing meanwhile, rather than
    // the placeholder); rows refreshed or removed meanwhile keep their news.
    void Reload() {
        if (core_ == nullptr || !readAll_) {
            return;
        }
        StartReload([this, readAll = readAll_](LocalDatabase& db) -> Landing {
            std::vector<Record> read = readAll(db);
            auto rows = std::make_shared<Rows>(std::make_move_iterator(read.begin()),
                                               std::make_move_iterator(read.end()));
            return [this, rows] {
                Landed(std::move(*rows));
            };
        });
    }

    // Reads the records `ids` again: a new record takes its place in the order, a changed one
    // is updated where it is (its row repainted), and one that is gone leaves the list.
    void Refresh(const std::vector<int>& ids) {
        if (core_ == nullptr || !readOne_) {
            return;
        }
        for (int id : ids) {
            if (loading_) {
                touched_.insert(id);
            }
            if (std::optional<Record> record = readOne_(Database(*core_), id)) {
                Upsert(std::move(*record));
            } else if (const int row = RowOfId(id); row >= 0) {
                RemoveRows({row});
            }
        }
    }

    // Replaces every row; an empty list shows the placeholder. Check marks are cleared.
    void Load(std::vector<Record> entries) {
        ReplaceAll(
            Rows(std::make_move_iterator(entries.begin()), std::make_move_iterator(entries.end())));
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

    // Puts `record` where the order wants it, replacing the row with the same id.
    void Upsert(Record record) {
        const int row = RowOfId(record.id);
        if (row >= 0 && InOrderAt(row, record)) {
            entries_[size_t(row)] = std::move(record);
            emit dataChanged(index(row), index(row));
            return;
        }
        if (row >= 0) {
            RemoveRows({row});
        }
        SetPlaceholder(false);
        const auto at = std::lower_bound(entries_.begin(), entries_.end(), record, Order());
        const int position = int(at - entries_.begin());
        beginInsertRows({}, position, position);
        entries_.insert(at, std::move(record));
        checked_.insert(checked_.begin() + position, 0);
        endInsertRows();
    }

    // Removes the rows at `rows` (placeholder and unknown rows are ignored); a list left
    // empty shows the placeholder. Scattered rows go in one pass that resets the model,
    // rather than one removal per row.
    void RemoveRows(std::vector<int> rows) {
        std::sort(rows.begin(), rows.end());
        rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
        std::erase_if(rows, [this](int row) { return !IsEntryRow(row); });
        if (rows.empty()) {
            return;
        }
        if constexpr (kHasIds) {
            if (loading_) {
                for (int row : rows) {
                    removed_.insert(entries_[size_t(row)].id);
                }
            }
        }
        if (rows.back() - rows.front() + 1 == int(rows.size())) {
            beginRemoveRows({}, rows.front(), rows.back());
            entries_.erase(entries_.begin() + rows.front(), entries_.begin() + rows.back() + 1);
            checked_.erase(checked_.begin() + rows.front(), checked_.begin() + rows.back() + 1);
            endRemoveRows();
        } else {
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
        if (entries_.empty() && !loading_) {
            SetPlaceholder(true);
        }
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
    const void* RecordAt(int row) const override { return Entry(row); }

    // The row showing the record `id`, or -1.
    int RowOfId(int id) const {
        if constexpr (std::is_same_v<Order, NewestFirst>) {
            const auto at =
                std::lower_bound(entries_.begin(), entries_.end(), id,
                                 [](const Record& e, int value) { return e.id > value; });
            return at != entries_.end() && at->id == id ? int(at - entries_.begin()) : -1;
        } else {
            const auto found = std::find_if(entries_.begin(), entries_.end(),
                                            [id](const Record& e) { return e.id == id; });
            return found == entries_.end() ? -1 : int(found - entries_.begin());
        }
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

private:
    // Lists of rows that are not records of a table (index rows, recipients) have no ids and
    // are never reloaded in the background.
    static constexpr bool kHasIds = requires(const Record& record) { record.id; };

    bool InOrderAt(int row, const Record& record) const {
        const size_t at = size_t(row);
        const Order before;
        return (at == 0 || !before(record, entries_[at - 1])) &&
               (at + 1 == entries_.size() || !before(entries_[at + 1], record));
    }

    void ReplaceAll(Rows rows) {
        beginResetModel();
        Rows old = std::exchange(entries_, std::move(rows));
        checked_.assign(entries_.size(), 0);
        placeholder_ = entries_.empty();
        endResetModel();
        Discard(std::move(old));
    }

    // Shows the rows a reload read, without those removed meanwhile; rows refreshed meanwhile
    // are read once more, since the reload may have read them before their write.
    void Landed(Rows rows) {
        std::erase_if(rows, [this](const Record& r) { return removed_.count(r.id) != 0; });
        const std::vector<int> again(touched_.begin(), touched_.end());
        ReplaceAll(std::move(rows));
        Refresh(again);
    }

    Rows entries_;
    ReadAll readAll_;
    ReadOne readOne_;
};

} // namespace tamberlink
