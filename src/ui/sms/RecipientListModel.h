#pragma once

#include "store/ContactRecord.h"
#include "ui/lists/RecordListModel.h"
#include "ui/sms/SmsRecipient.h"

namespace tamberlink {

// Persons to send an SMS to, with their check boxes: the rows of the recipient picker, whose
// empty list shows "没有找到联系人", and the recipient tiles of a new SMS, which show nothing
// when there are none.
class RecipientListModel : public RecordListModel<SmsRecipient> {
public:
    using RecordListModel::RecordListModel;

    static QString EmptyText() { return QStringLiteral("没有找到联系人"); }

    // The contacts as persons to send to, in the order of the contacts page (by initials).
    static SmsRecipients FromContacts(std::vector<ContactRecord> contacts);

    // Shows the contacts, or those whose name, number or initials hold `keyword`, read and
    // put in order on the reader thread; until they land the rows shown stay.
    void ReadContacts(AppCore& core, const QString& keyword);
    // Shows `entries`; a read of the contacts under way no longer lands.
    void ShowEntries(SmsRecipients entries) {
        CancelReload();
        Load(std::move(entries));
    }

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
    QString PlaceholderText() const override { return EmptyText(); }
    QString DisplayText(int row) const override {
        const SmsRecipient& entry = *Entry(row);
        return entry.name.isEmpty() ? entry.phone : entry.name;
    }
};

} // namespace tamberlink
