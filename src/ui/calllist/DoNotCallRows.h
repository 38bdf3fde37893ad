#pragma once

#include "store/DoNotCallTable.h"
#include "ui/lists/RecordListModel.h"
#include "ui/lists/RowState.h"

#include <QPoint>
#include <QRect>

class QPainter;

namespace tamberlink {

// A number of the do-not-call list: its check box, the number, where it came from and when.
// A click anywhere on it checks or unchecks it (kCheck).
class DoNotCallRow {
public:
    using Record = DoNotCallEntry;
    static constexpr int kCheck = 1;
    static constexpr int kHeight = 36;

    explicit DoNotCallRow(const DoNotCallEntry& record)
        : record_(record) {}
    int HitTestAt(const QPoint& pos, int) const {
        return pos.y() >= 0 && pos.y() < kHeight ? kCheck : 0;
    }
    void Paint(QPainter& painter, const QRect& rowRect, const RowState& state) const;

private:
    const DoNotCallEntry& record_;
};

// The do-not-call list, newest first.
class DoNotCallModel : public RecordListModel<DoNotCallEntry> {
    Q_OBJECT
public:
    using RecordListModel::RecordListModel;

protected:
    QString PlaceholderText() const override {
        return QStringLiteral("免打扰名单是空的：标为黑名单的号码和这里添加的号码都不会被拨打");
    }
    QString DisplayText(int row) const override { return Entry(row)->number; }
};

} // namespace tamberlink
