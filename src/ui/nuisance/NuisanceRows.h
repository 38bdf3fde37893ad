#pragma once

#include "store/NuisanceRecord.h"
#include "ui/lists/RecordListModel.h"
#include "ui/lists/RowState.h"

#include <QPoint>
#include <QRect>

class QPainter;

namespace tamberlink {

// The rows of the nuisance window's three lists. Each row has a check box (control kCheck);
// a click elsewhere on it is control kRow.
struct NuisanceRowControls {
    static constexpr int kRow = 1;
    static constexpr int kCheck = 2;
    static int HitTestAt(const QPoint& pos, int height);
};

// A rule: its text, label, action, calls stopped today and in all, and the last one.
class NuisanceRuleRow : public NuisanceRowControls {
public:
    using Record = NuisanceRule;
    static constexpr int kHeight = 44;

    explicit NuisanceRuleRow(const NuisanceRule& rule)
        : rule_(rule) {}
    int HitTestAt(const QPoint& pos, int) const {
        return NuisanceRowControls::HitTestAt(pos, kHeight);
    }
    // An active row is the rule being edited.
    void Paint(QPainter& painter, const QRect& rowRect, const RowState& state) const;

    // "今天 2 · 共 15".
    static QString CountText(const NuisanceRule& rule);

private:
    const NuisanceRule& rule_;
};

// A whitelist entry: the number or prefix, its note and when it was added.
class NuisanceWhitelistRow : public NuisanceRowControls {
public:
    using Record = NuisanceWhitelistEntry;
    static constexpr int kHeight = 40;

    explicit NuisanceWhitelistRow(const NuisanceWhitelistEntry& entry)
        : entry_(entry) {}
    int HitTestAt(const QPoint& pos, int) const {
        return NuisanceRowControls::HitTestAt(pos, kHeight);
    }
    void Paint(QPainter& painter, const QRect& rowRect, const RowState& state) const;

private:
    const NuisanceWhitelistEntry& entry_;
};

// A call a rule acted on: when, the caller, the rule and what was done.
class NuisanceLogRow : public NuisanceRowControls {
public:
    using Record = NuisanceLogRecord;
    static constexpr int kHeight = 44;

    explicit NuisanceLogRow(const NuisanceLogRecord& record)
        : record_(record) {}
    int HitTestAt(const QPoint& pos, int) const {
        return NuisanceRowControls::HitTestAt(pos, kHeight);
    }
    void Paint(QPainter& painter, const QRect& rowRect, const RowState& state) const;

    // "已拒接", "已静音", "已标记", or the note of what went wrong.
    static QString OutcomeText(const NuisanceLogRecord& record);

private:
    const NuisanceLogRecord& record_;
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
