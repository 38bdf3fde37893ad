#pragma once

#include "store/NumberHistoryRecord.h"
#include "ui/lists/RecordListModel.h"

namespace tamberlink {

// A number's history, newest first; an empty one shows "这个号码还没有任何记录".
class HistoryListModel : public RecordListModel<NumberHistoryRecord> {
    Q_OBJECT

public:
    using RecordListModel::RecordListModel;

    static QString EmptyText() { return QStringLiteral("这个号码还没有任何记录"); }

protected:
    QString PlaceholderText() const override { return EmptyText(); }
    QString DisplayText(int row) const override {
        const NumberHistoryRecord* entry = Entry(row);
        return entry != nullptr ? entry->text : QString();
    }
};

} // namespace tamberlink
