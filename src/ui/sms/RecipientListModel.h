#pragma once

#include "ui/lists/RecordListModel.h"
#include "ui/sms/SmsRecipient.h"

namespace tamberlink {

// Persons to send an SMS to: the recipient tiles of a new SMS, which show nothing when there
// are none.
class RecipientListModel : public RecordListModel<SmsRecipient> {
public:
    using RecordListModel::RecordListModel;

    // The recipients as tiles: no placeholder when there are none.
    void SetTiles(SmsRecipients recipients) {
        if (recipients.empty()) {
            Clear();
        } else {
            Load(std::move(recipients));
        }
    }
    SmsRecipients Entries() const {
        SmsRecipients entries;
        entries.reserve(size_t(EntryCount()));
        for (int row = 0; row < EntryCount(); ++row) {
            entries.push_back(*Entry(row));
        }
        return entries;
    }

    QVariant data(const QModelIndex& index, int role) const override {
        // A tile shows a name or a number; the tip gives both.
        if (role == Qt::ToolTipRole && IsEntryRow(index.row())) {
            const SmsRecipient& entry = *Entry(index.row());
            return entry.name.isEmpty() ? entry.phone : entry.name + u' ' + entry.phone;
        }
        return RecordListModel::data(index, role);
    }

protected:
    QString PlaceholderText() const override { return {}; }
    QString DisplayText(int row) const override {
        const SmsRecipient& entry = *Entry(row);
        return entry.name.isEmpty() ? entry.phone : entry.name;
    }
};

} // namespace tamberlink
