#include "ui/sms/ContactPickerModel.h"

#include "store/LocalDatabase.h"

#include <unordered_map>

namespace tamberlink {

namespace {

std::vector<PickerPerson> PersonsOf(const std::vector<ContactRecord>& contacts) {
    std::vector<PickerPerson> persons;
    persons.reserve(contacts.size());
    for (const ContactRecord& contact : contacts) {
        persons.push_back({{contact.name, contact.phone, contact.head}, contact.id});
    }
    return persons;
}

} // namespace

void ContactPickerModel::ReadContacts(AppCore& core, const QString& keyword) {
    SetPagedSource(
        core,
        [keyword](LocalDatabase& db, int limit) {
            std::deque<int> ids;
            db.Contacts().ForEachKey([&ids](const ContactKey& key) { ids.push_back(key.id); },
                                     limit, keyword);
            return ids;
        },
        [](LocalDatabase& db, const std::vector<int>& ids) {
            return PersonsOf(db.Contacts().Get(ids));
        });
    Reload();
}

void ContactPickerModel::ShowPersons(const SmsRecipients& persons) {
    CancelReload();
    std::vector<PickerPerson> rows;
    rows.reserve(persons.size());
    for (const SmsRecipient& person : persons) {
        rows.push_back({person, -1 - int(rows.size())});
    }
    Load(std::move(rows));
}

SmsRecipients ContactPickerModel::Checked() const {
    const std::vector<int> rows = CheckedRows();
    const std::vector<int> ids = IdsOf(rows);
    std::vector<int> contacts;
    for (int id : ids) {
        if (id > 0) {
            contacts.push_back(id);
        }
    }
    std::unordered_map<int, PickerPerson> read;
    if (core_ != nullptr && !contacts.empty()) {
        for (PickerPerson& person : PersonsOf(Database(*core_).Contacts().Get(contacts))) {
            const int id = person.id;
            read.emplace(id, std::move(person));
        }
    }
    SmsRecipients checked;
    checked.reserve(rows.size());
    for (size_t i = 0; i < rows.size(); ++i) {
        if (ids[i] > 0) {
            if (auto found = read.find(ids[i]); found != read.end()) {
                checked.push_back(found->second);
            }
        } else if (const PickerPerson* person = Entry(rows[i])) {
            checked.push_back(*person);
        }
    }
    return checked;
}

QString ContactPickerModel::DisplayText(int row) const {
    const PickerPerson* person = Entry(row);
    if (person == nullptr) {
        return {};
    }
    return person->name.isEmpty() ? person->phone : person->name;
}

} // namespace tamberlink
