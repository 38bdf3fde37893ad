#pragma once

#include "ui/lists/CItemEmpty.h"
#include "ui/lists/RowMarks.h"

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
#include <unordered_map>
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
        // True for rows that show no record by design (the contacts' index rows).
        OtherRowRole,
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
    // Once a reload's first read has landed: a long list shows its first screen before the
    // rest of its rows are read.
    bool ShowsFirstScreen() const { return !loading_ || firstShown_; }

    bool IsChecked(int row) const;
    void SetChecked(int row, bool checked);
    void SetAllChecked(bool checked);
    std::vector<int> CheckedRows() const;
    // The rows that show no record by design, in order; a view asks for them all at once,
    // rather than row by row, to know their places.
    virtual std::vector<int> OtherRows() const { return {}; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    // A view lays out a long list by asking for the index of every row: the check is kept
    // short.
    QModelIndex index(int row, int column = 0,
                      const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

signals:
    // A reload's first read has landed: the list shows its first screen.
    void FirstScreenShown();
    // A reload's read has landed: the list holds the table's rows.
    void Loaded();

protected:
    // The text the placeholder row shows, and the display text of a record's row.
    virtual QString PlaceholderText() const = 0;
    virtual QString DisplayText(int row) const = 0;
    // What RecordRole gives for an entry row.
    virtual const void* RecordAt(int row) const = 0;
    // What OtherRowRole gives for an entry row.
    virtual bool IsOtherRow(int /*row*/) const { return false; }

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
    // Called by a reload's landing: the reload goes on with `read`, whose landing may go on in
    // turn; until the last one, the model stays loading.
    void ContinueReload(Read read);
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
    // A bit a row: a list of a million rows keeps a million marks.
    RowMarks checked_;
    bool placeholder_ = false;
    bool loading_ = false;
    bool firstShown_ = false;
    bool continued_ = false;
    // The reload whose read is awaited; a read that is no longer awaited is skipped.
    std::shared_ptr<std::atomic<int>> awaited_ = std::make_shared<std::atomic<int>>(0);
    // While a reload's read is under way: rows read again meanwhile (read once more when it
    // lands, since it may have read them earlier) and rows removed meanwhile (kept out).
    std::set<int> touched_;
    std::set<int> removed_;

private:
    void PostReload(int generation, Read read);
};

// The order of a list that shows the newest record first: falling ids.
struct NewestFirst {
    template <class Record>
    bool operator()(const Record& a, const Record& b) const {
        return a.id > b.id;
    }
    bool operator()(int a, int b) const { return a > b; }
};

// The order of a list that shows the oldest record first: rising ids.
struct OldestFirst {
    template <class Record>
    bool operator()(const Record& a, const Record& b) const {
        return a.id < b.id;
    }
    bool operator()(int a, int b) const { return a < b; }
};

// The records of a list, in the order `Order` gives; `Record` has an integer `id`, except in
// lists of rows that are no records of a table. A page names where the records come from once,
// then asks for a Reload when the whole table may have changed and for a Refresh of the rows a
// write reported; no read of the whole table ever runs on the UI thread.
//
// A list of records with ids keeps its rows as ids, in order, and the records apart, by id.
// With a whole source (SetSource) every record is kept. With a paged source (SetPagedSource) a
// reload reads only the ids, a few bytes a row, and the records are read a page at a time as
// rows are seen, keeping those near the rows last seen: memory and the time to the first
// screen do not grow with the table.
template <class Record, class Order = NewestFirst>
class RecordListModel : public RecordListModelBase {
    // Lists of rows that are not records of a table (index rows, recipients) have no ids and
    // are never reloaded in the background.
    static constexpr bool kHasIds = requires(const Record& record) { record.id; };

public:
    using RecordListModelBase::RecordListModelBase;

    // What a row holds: the id of its record, or the row itself for lists without ids.
    using Slot = std::conditional_t<kHasIds, int, Record>;
    using Slots = std::deque<Slot>;

    // Reads every record of the list, in order; runs on the core's reader thread with a
    // connection of its own.
    using ReadAll = std::function<std::vector<Record>(LocalDatabase&)>;
    // Reads one record by id, nullopt when it is gone; runs on the UI thread.
    using ReadOne = std::function<std::optional<Record>(LocalDatabase&, int id)>;
    // Reads the ids of the first `limit` records of the list in order, of every record when it
    // is 0; runs on the reader thread. The list takes them as they are, without a copy.
    using ReadIds = std::function<std::deque<int>(LocalDatabase&, int limit)>;
    // Reads the records `ids` that still exist, in any order.
    using ReadMany = std::function<std::vector<Record>(LocalDatabase&, const std::vector<int>&)>;

    // Rows read around a row that is not kept, before it and in all.
    static constexpr int kPageMargin = 32;
    static constexpr int kPageRows = 128;
    // Records kept by a paged list before those far from the rows seen are let go.
    static constexpr int kKeptRecords = 1024;

    void SetSource(AppCore& core, ReadAll readAll, ReadOne readOne) {
        core_ = &core;
        readAll_ = std::move(readAll);
        readOne_ = std::move(readOne);
    }

    void SetPagedSource(AppCore& core, ReadIds readIds, ReadMany readMany) requires kHasIds {
        core_ = &core;
        readIds_ = std::move(readIds);
        readMany_ = std::move(readMany);
    }

    // Reads the whole list again without holding up the UI thread. The rows shown stay until
    // the read lands, in one reset (a list never filled shows nothing meanwhile, rather than
    // the placeholder); rows refreshed or removed meanwhile keep their news.
    void Reload() {
        if (core_ == nullptr) {
            return;
        }
        if constexpr (kHasIds) {
            if (readIds_) {
                StartReload(
                    [this, readIds = readIds_, readMany = readMany_](LocalDatabase& db) -> Landing {
                        // The first screen is read on its own, so that it shows before the
                        // ids of a long list are read.
                        auto ids = std::make_shared<std::deque<int>>(readIds(db, kPageRows));
                        const size_t first = std::min(ids->size(), size_t(kPageRows));
                        auto records = std::make_shared<std::vector<Record>>(
                            readMany(db, std::vector<int>(ids->begin(), ids->begin() + first)));
                        return [this, ids, records] {
                            std::erase_if(*ids, [this](int id) { return removed_.count(id) != 0; });
                            const bool more = ids->size() == size_t(kPageRows);
                            LandedIds(std::move(*ids), std::move(*records));
                            if (more) {
                                ContinueReload([this, readIds = readIds_](LocalDatabase& db) {
                                    auto all = std::make_shared<std::deque<int>>(readIds(db, 0));
                                    return Landing([this, all] { LandedRest(std::move(*all)); });
                                });
                            }
                        };
                    });
                return;
            }
        }
        if (!readAll_) {
            return;
        }
        StartReload([this, readAll = readAll_](LocalDatabase& db) -> Landing {
            auto rows = std::make_shared<std::vector<Record>>(readAll(db));
            return [this, rows] {
                Landed(std::move(*rows));
            };
        });
    }

    // Reads the records `ids` again: a new record takes its place in the order, a changed one
    // is updated where it is (its row repainted), and one that is gone leaves the list.
    void Refresh(const std::vector<int>& ids) {
        if (core_ == nullptr || (!readOne_ && !readMany_)) {
            return;
        }
        for (int id : ids) {
            if (loading_) {
                touched_.insert(id);
            }
            if (std::optional<Record> record = ReadRecord(id)) {
                Upsert(std::move(*record));
            } else if (const int row = RowOfId(id); row >= 0) {
                RemoveRows({row});
            }
        }
    }

    // Replaces every row; an empty list shows the placeholder. Check marks are cleared.
    void Load(std::vector<Record> entries) {
        if constexpr (kHasIds) {
            Discard(std::exchange(records_, {}));
        }
        Slots rows;
        for (Record& record : entries) {
            rows.push_back(Keep(std::move(record)));
        }
        ReplaceAll(std::move(rows));
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
        for (Record& record : more) {
            slots_.push_back(Keep(std::move(record)));
        }
        checked_.Resize(slots_.size());
        endInsertRows();
    }

    // Shows `rows`, the whole list. When they begin with the rows shown, those keep their
    // check marks and the views hear only of the rows after them, so that they keep their
    // place; otherwise the list is shown anew.
    void ShowAll(Slots rows) {
        const bool begins = !placeholder_ && rows.size() >= slots_.size() &&
                            std::equal(slots_.begin(), slots_.end(), rows.begin());
        if (!begins) {
            ReplaceAll(std::move(rows));
            return;
        }
        if (rows.size() == slots_.size()) {
            return;
        }
        beginInsertRows({}, EntryCount(), int(rows.size()) - 1);
        Discard(std::exchange(slots_, std::move(rows)));
        checked_.Resize(slots_.size());
        endInsertRows();
    }

    // Empties the list, without a placeholder.
    void Clear() {
        beginResetModel();
        slots_.clear();
        records_.clear();
        checked_.Clear();
        placeholder_ = false;
        endResetModel();
    }

    // Puts `record` where the order wants it, replacing the row with the same id.
    void Upsert(Record record) {
        const int id = record.id;
        const int row = RowOfId(id);
        if (row >= 0 && InOrderAt(row, id)) {
            records_.insert_or_assign(id, std::move(record));
            emit dataChanged(index(row), index(row));
            return;
        }
        if (row >= 0) {
            RemoveRows({row});
        }
        SetPlaceholder(false);
        const auto at = std::lower_bound(slots_.begin(), slots_.end(), id, Order());
        const int position = int(at - slots_.begin());
        beginInsertRows({}, position, position);
        slots_.insert(at, Keep(std::move(record)));
        checked_.InsertUnmarked(size_t(position));
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
            for (int row : rows) {
                const int id = slots_[size_t(row)];
                records_.erase(id);
                if (loading_) {
                    removed_.insert(id);
                }
            }
        }
        if (rows.back() - rows.front() + 1 == int(rows.size())) {
            beginRemoveRows({}, rows.front(), rows.back());
            slots_.erase(slots_.begin() + rows.front(), slots_.begin() + rows.back() + 1);
            checked_.Erase(size_t(rows.front()), size_t(rows.back()) + 1);
            endRemoveRows();
        } else {
            beginResetModel();
            size_t kept = 0;
            auto next = rows.cbegin();
            for (size_t i = 0; i < slots_.size(); ++i) {
                if (next != rows.cend() && *next == int(i)) {
                    ++next;
                    continue;
                }
                if (kept != i) {
                    slots_[kept] = std::move(slots_[i]);
                    checked_.Set(kept, checked_[i]);
                }
                ++kept;
            }
            slots_.resize(kept);
            checked_.Resize(kept);
            endResetModel();
        }
        if (slots_.empty() && !loading_) {
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
        if constexpr (kHasIds) {
            records_.erase(slots_[size_t(row)]);
        }
        slots_[size_t(row)] = Keep(std::move(record));
        const QModelIndex changed = index(row);
        emit dataChanged(changed, changed);
    }

    // The record shown at `row`, nullptr for the placeholder, an unknown row or a record
    // gone from the table before the list heard of it. A paged list reads the page around a
    // row it does not keep: the pointer holds until the next read of a page.
    const Record* Entry(int row) const {
        if (!IsEntryRow(row)) {
            return nullptr;
        }
        if constexpr (kHasIds) {
            auto found = records_.find(slots_[size_t(row)]);
            if (found == records_.end() && readMany_) {
                ReadPageAround(row);
                found = records_.find(slots_[size_t(row)]);
            }
            return found == records_.end() ? nullptr : &found->second;
        } else {
            return &slots_[size_t(row)];
        }
    }
    int EntryCount() const override { return int(slots_.size()); }
    const void* RecordAt(int row) const override { return Entry(row); }

    // The row showing the record `id`, or -1.
    int RowOfId(int id) const {
        if constexpr (std::is_same_v<Order, NewestFirst>) {
            const auto at = std::lower_bound(slots_.begin(), slots_.end(), id, Order());
            return at != slots_.end() && *at == id ? int(at - slots_.begin()) : -1;
        } else {
            const auto found = std::find(slots_.begin(), slots_.end(), id);
            return found == slots_.end() ? -1 : int(found - slots_.begin());
        }
    }

    // The ids of the records at `rows`, in that order.
    std::vector<int> IdsOf(const std::vector<int>& rows) const {
        std::vector<int> ids;
        ids.reserve(rows.size());
        for (int row : rows) {
            if (IsEntryRow(row)) {
                ids.push_back(slots_[size_t(row)]);
            }
        }
        return ids;
    }

    // Records kept in memory: every record of a whole list, the rows seen of a paged one.
    size_t KeptRecords() const {
        if constexpr (kHasIds) {
            return records_.size();
        } else {
            return slots_.size();
        }
    }

private:
    // Keeps `record` among the records when it has an id; what its row holds.
    Slot Keep(Record record) {
        if constexpr (kHasIds) {
            const int id = record.id;
            records_.insert_or_assign(id, std::move(record));
            return id;
        } else {
            return record;
        }
    }

    std::optional<Record> ReadRecord(int id) const {
        if (readOne_) {
            return readOne_(Database(*core_), id);
        }
        std::vector<Record> read = readMany_(Database(*core_), {id});
        if (read.empty()) {
            return std::nullopt;
        }
        return std::move(read.front());
    }

    // Reads the records of the rows around `row` that are not kept, first letting go of
    // those far from it when too many are kept.
    void ReadPageAround(int row) const {
        const int first = std::max(0, row - kPageMargin);
        const int last = std::min(EntryCount(), first + kPageRows);
        if (records_.size() + kPageRows > size_t(kKeptRecords)) {
            std::unordered_map<int, Record> near;
            const int from = std::max(0, row - kKeptRecords / 4);
            const int to = std::min(EntryCount(), row + kKeptRecords / 4);
            for (int r = from; r < to; ++r) {
                if (auto found = records_.find(slots_[size_t(r)]); found != records_.end()) {
                    near.insert(records_.extract(found));
                }
            }
            records_.swap(near);
        }
        std::vector<int> wanted;
        for (int r = first; r < last; ++r) {
            if (records_.count(slots_[size_t(r)]) == 0) {
                wanted.push_back(slots_[size_t(r)]);
            }
        }
        for (Record& record : readMany_(Database(*core_), wanted)) {
            const int id = record.id;
            records_.insert_or_assign(id, std::move(record));
        }
    }

    bool InOrderAt(int row, int id) const {
        const size_t at = size_t(row);
        const Order before;
        return (at == 0 || !before(id, slots_[at - 1])) &&
               (at + 1 == slots_.size() || !before(slots_[at + 1], id));
    }

    void ReplaceAll(Slots rows) {
        beginResetModel();
        Slots old = std::exchange(slots_, std::move(rows));
        checked_.Assign(slots_.size(), false);
        placeholder_ = slots_.empty();
        endResetModel();
        Discard(std::move(old));
    }

    // Shows the rows a reload read, without those removed meanwhile; rows refreshed meanwhile
    // are read once more, since the reload may have read them before their write.
    void Landed(std::vector<Record> rows) {
        if constexpr (kHasIds) {
            std::erase_if(rows, [this](const Record& r) { return removed_.count(r.id) != 0; });
            const std::vector<int> again(touched_.begin(), touched_.end());
            Load(std::move(rows));
            Refresh(again);
        } else {
            Load(std::move(rows));
        }
    }

    // Shows the ids a paged reload read, keeping the records read with them.
    void LandedIds(std::deque<int> ids, std::vector<Record> records) {
        const std::vector<int> again(touched_.begin(), touched_.end());
        records_.clear();
        for (Record& record : records) {
            const int id = record.id;
            records_.insert_or_assign(id, std::move(record));
        }
        ReplaceAll(std::move(ids));
        Refresh(again);
    }

    // Shows every id of a list whose first screen shows.
    void LandedRest(std::deque<int> ids) {
        std::erase_if(ids, [this](int id) { return removed_.count(id) != 0; });
        const std::vector<int> again(touched_.begin(), touched_.end());
        ShowAll(std::move(ids));
        Refresh(again);
    }

    Slots slots_;
    // The records of a list with ids, by id.
    mutable std::unordered_map<int, Record> records_;
    ReadAll readAll_;
    ReadOne readOne_;
    ReadIds readIds_;
    ReadMany readMany_;
};

} // namespace tamberlink
