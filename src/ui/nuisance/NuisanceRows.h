#pragma once

#include "store/NuisanceRecord.h"
#include "ui/lists/RecordListModel.h"
#include "ui/lists/RowState.h"

#include <QPoint>
#include <QRect>

class QPainter;

namespace tamberlink {

// The controls of the nuisance window's rows: each row has a check box (kCheck); a click
// elsewhere on it is kRow.
struct NuisanceRowControls {
    static constexpr int kRow = 1;
    static constexpr int kCheck = 2;
    // The control at `pos` of a row `height` high, 0 for none.
    static int HitTestAt(const QPoint& pos, int height);
};

// A row of one of the window's three lists, painted from a record of `RecordType`.
template <class RecordType, int Height>
class NuisanceRow : public NuisanceRowControls {
public:
    using Record = RecordType;
    static constexpr int kHeight = Height;

    explicit NuisanceRow(const Record& record)
        : record_(record) {}
    int HitTestAt(const QPoint& pos, int) const {
        return NuisanceRowControls::HitTestAt(pos, kHeight);
    }

protected:
    const Record& record_;
};

// A rule: its text, label, action, calls stopped today and in all, and the last one. An
// active row is the rule being edited.
class NuisanceRuleRow : public NuisanceRow<NuisanceRule, 44> {
public:
    using NuisanceRow::NuisanceRow;
    void Paint(QPainter& painter, const QRect& rowRect, const RowState& state) const;

    // "今天 2 · 共 15".
    static QString CountText(const NuisanceRule& rule);
};

// A whitelist entry: the number or prefix, its note and when it was added.
class NuisanceWhitelistRow : public NuisanceRow<NuisanceWhitelistEntry, 40> {
public:
    using NuisanceRow::NuisanceRow;
    void Paint(QPainter& painter, const QRect& rowRect, const RowState& state) const;
};

// A call a rule acted on: when, the caller, the rule and what was done.
class NuisanceLogRow : public NuisanceRow<NuisanceLogRecord, 44> {
public:
    using NuisanceRow::NuisanceRow;
    void Paint(QPainter& painter, const QRect& rowRect, const RowState& state) const;

    // "已拒接", "已静音", "已标记", or the note of what went wrong.
    static QString OutcomeText(const NuisanceLogRecord& record);
};

// The lists' models: rules and whitelist oldest first, the log newest first.
class NuisanceRuleModel : public RecordListModel<NuisanceRule, OldestFirst> {
    Q_OBJECT
public:
    using RecordListModel::RecordListModel;

protected:
    QString PlaceholderText() const override;
    QString DisplayText(int row) const override;
};

class NuisanceWhitelistModel : public RecordListModel<NuisanceWhitelistEntry, OldestFirst> {
    Q_OBJECT
public:
    using RecordListModel::RecordListModel;

protected:
    QString PlaceholderText() const override;
    QString DisplayText(int row) const override;
};

class NuisanceLogModel : public RecordListModel<NuisanceLogRecord> {
    Q_OBJECT
public:
    using RecordListModel::RecordListModel;

protected:
    QString PlaceholderText() const override;
    QString DisplayText(int row) const override;
};

} // namespace tamberlink
