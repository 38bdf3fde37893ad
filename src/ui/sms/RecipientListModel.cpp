#include "ui/sms/RecipientListModel.h"

#include "store/LocalDatabase.h"

#include <algorithm>

namespace tamberlink {

SmsRecipients RecipientListModel::FromContacts(std::vector<ContactRecord> contacts) {
    std::stable_sort(contacts.begin(), contacts.end());
    SmsRecipients persons;
    persons.reserve(contacts.size());
    for (const ContactRecord& contact : contacts) {
        persons.push_back({contact.name, contact.phone, contact.head});
    }
    return persons;
}

void RecipientListModel::ReadContacts(AppCore& core, const QString& keyword) {
    SetSource(core,
              [keyword](LocalDatabase& db) {
                  return FromContacts(keyword.isEmpty() ? db.Contacts().Load()
                                                        : db.Contacts().SearchList(keyword));
              },
              {});
    Reload();
}

} // namespace tamberlink
