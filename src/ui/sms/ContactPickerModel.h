#pragma once

#include "ui/lists/RecordListModel.h"
#include "ui/sms/SmsRecipient.h"

namespace tamberlink {

// A person of the recipient picker: a contact, known by its id, or a person given to choose
// from, known by a negative id of its own.
struct PickerPerson : SmsRecipient {
    int id = 0;
};

// The rows of "选择联系人", whose empty list shows "没有找到联系人". The contacts, all or those
// a search finds, are read as the contacts page reads them: their ids in the page's order, the
// first screen first, and the contacts a page at a time as their rows are seen, so that the
// picker opens at once over half a million contacts and keeps only what is near the rows seen.
class ContactPickerModel : public RecordListModel<PickerPerson, OldestFirst> {
public:
    using RecordListModel::RecordListModel;

    static QString EmptyText() { return QStringLiteral("没有找到联系人"); }

    // Shows the contacts, or those whose name, number or initials hold `keyword`, read on the
    // reader thread; until they land the rows shown stay.
    void ReadContacts(AppCore& core, const QString& keyword);
    // Shows `persons`; a read of the contacts under way no longer lands.
    void ShowPersons(const SmsRecipients& persons);
    // The persons checked, in the order of their rows; the contacts among them not kept are
    // read in one go. A contact deleted meanwhile is left out.
    SmsRecipients Checked() const;

protected:
    QString PlaceholderText() const override { return EmptyText(); }
    QString DisplayText(int row) const override;
    // The delegate paints the person.
    const void* RecordAt(int row) const override {
        return static_cast<const SmsRecipient*>(Entry(row));
    }
};

} // namespace tamberlink
