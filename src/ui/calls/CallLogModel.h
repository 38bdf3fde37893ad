#pragma once

#include "store/CallLogRecord.h"
#include "ui/lists/RecordListModel.h"

namespace tamberlink {

// The rows of the call records list, newest first, with their check boxes; an empty call
// log shows the placeholder "您还没有任何通话记录哦".
class CallLogModel : public RecordListModel<CallLogRecord> {
    Q_OBJECT

public:
    using RecordListModel::RecordListModel;

protected:
    QString PlaceholderText() const override { return CItemEmpty::Text(); }
    QString DisplayText(int row) const override {
        const CallLogRecord* entry = Entry(row);
        return entry != nullptr ? entry->name : QString();
    }
};

} // namespace tamberlink
