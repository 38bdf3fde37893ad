#pragma once

#include "store/SmsRecord.h"
#include "ui/lists/RecordListModel.h"

namespace tamberlink {

// The sent SMS, newest first, with their check boxes; an empty list shows the placeholder
// "您还没有发送过短信哦".
class SmsListModel : public RecordListModel<SmsRecord> {
public:
    using RecordListModel::RecordListModel;

    static QString EmptyText() { return QStringLiteral("您还没有发送过短信哦"); }

protected:
    QString PlaceholderText() const override { return EmptyText(); }
    QString DisplayText(int row) const override {
        const SmsRecord* sms = Entry(row);
        return sms != nullptr ? sms->content : QString();
    }
};

} // namespace tamberlink
