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

    // What an empty list says instead of the usual text; empty for the usual one.
    void SetPlaceholderText(const QString& text) { emptyText_ = text; }

protected:
    QString PlaceholderText() const override {
        return emptyText_.isEmpty() ? CItemEmpty::Text() : emptyText_;
    }
    QString DisplayText(int row) const override {
        const CallLogRecord* entry = Entry(row);
        return entry != nullptr ? entry->name : QString();
    }

private:
    QString emptyText_;
};

} // namespace tamberlink
