#include "ui/contacts/ContactListModel.h"

#include "store/LocalDatabase.h"
#include "ui/contacts/CIndexElementItem.h"

#include <unordered_set>
#include <utility>

namespace tamberlink {

namespace {

// The first four UTF-16 units of the initials as one number, shorter initials padded with 0:
// ordered as the initials are, except where they agree in those units.
quint64 SortKey(const QString& initials) {
    quint64 key = 0;
    for (qsizetype i = 0; i < 4; ++i) {
        key = (key << 16) | (i < initials.size() ? initials[i].unicode() : 0u);
    }
    return key;
}

} // namespace

std::vector<ContactListRow> ContactListModel::Group(const std::vector<ContactRecord>& contacts) {
    // Sorting numbers, and comparing the texts only where they agree, keeps a fill of 100,000
    // contacts quick.
    struct Sorted {
        quint64 key;
        int contact;
    };
    std::vector<Sorted> order;
    order.reserve(contacts.size());
    for (size_t i = 0; i < contacts.size(); ++i) {
        order.push_back({SortKey(contacts[i].initials), int(i)});
    }
    std::stable_sort(order.begin(), order.end(), [&contacts](const Sorted& a, const Sorted& b) {
        if (a.key != b.key) {
            return a.key < b.key;
        }
        return contacts[size_t(a.contact)] < contacts[size_t(b.contact)];
    });
    std::vector<ContactListRow> rows;
    rows.reserve(contacts.size() + 64);
    QString shownLetter;
    for (size_t i = 0; i < order.size(); ++i) {
        const QChar letter = contacts[size_t(order[i].contact)].indexLetter;
        // The contacts of one letter follow each other once sorted, so a letter gets its
        // index row where it first appears. Letters that show alike ("#") share one row.
        if (i == 0 || letter != rows.back().letter) {
            const QString shown = CIndexElementItem::LetterText(letter);
            if (i == 0 || shown != shownLetter) {
                rows.push_back({true, letter, -1});
                shownLetter = shown;
            }
        }
        rows.push_back({false, letter, order[i].contact});
    }
    return rows;
}

void ContactListModel::Reload() {
    if (core_ == nullptr) {
        return;
    }
    added_.clear();
    StartReload([this](LocalDatabase& db) -> Landing {
        struct Read {
            std::vector<ContactRecord> contacts;
            std::vector<ContactListRow> rows;
        };
        auto read = std::make_shared<Read>();
        read->contacts = db.Contacts().Load();
        read->rows = Group(read->contacts);
        return [this, read] {
            Landed(std::move(read->contacts), std::move(read->rows));
        };
    });
}

void ContactListModel::Landed(std::vector<ContactRecord> contacts,
                              std::vector<ContactListRow> rows) {
    const std::vector<ContactRecord> added = std::exchange(added_, {});
    Show(std::move(contacts), std::move(rows), false);
    for (int id : removed_) {
        RemoveContact(RowOfContact(id));
    }
    if (added.empty()) {
        return;
    }
    std::unordered_set<int> shown;
    shown.reserve(contacts_.size());
    for (const ContactRecord& contact : contacts_) {
        shown.insert(contact.id);
    }
    std::vector<ContactRecord> missed;
    for (const ContactRecord& contact : added) {
        if (shown.count(contact.id) == 0 && removed_.count(contact.id) == 0) {
            missed.push_back(contact);
        }
    }
    AppendContacts(missed);
}

void ContactListModel::Fill(std::vector<ContactRecord> contacts, bool searched) {
    CancelReload();
    added_.clear();
    std::vector<ContactListRow> rows = Group(contacts);
    Show(std::move(contacts), std::move(rows), searched);
}

void ContactListModel::Show(std::vector<ContactRecord> contacts, std::vector<ContactListRow> rows,
                            bool searched) {
    searched_ = searched;
    indexRows_ = int(rows.size() - contacts.size());
    std::vector<ContactRecord> old = std::exchange(contacts_, std::move(contacts));
    Load(std::move(rows));
    Discard(std::move(old));
}

void ContactListModel::AppendContacts(const std::vector<ContactRecord>& contacts) {
    if (IsLoading()) {
        added_.insert(added_.end(), contacts.begin(), contacts.end());
    }
    std::vector<ContactListRow> rows;
    rows.reserve(contacts.size());
    for (const ContactRecord& contact : contacts) {
        rows.push_back({false, contact.indexLetter, int(contacts_.size())});
        contacts_.push_back(contact);
    }
    Append(std::move(rows));
}

void ContactListModel::RemoveContact(int row) {
    if (Contact(row) == nullptr) {
        return;
    }
    // The contact itself stays among the model's contacts until the next fill.
    const bool lastOfLetter =
        IsIndexRow(row - 1) && (row + 1 >= EntryCount() || IsIndexRow(row + 1));
    if (lastOfLetter) {
        --indexRows_;
        RemoveRows({row - 1, row});
    } else {
        RemoveRows({row});
    }
}

void ContactListModel::RemoveContactById(int id) {
    if (IsLoading()) {
        removed_.insert(id);
    }
    RemoveContact(RowOfContact(id));
}

bool ContactListModel::IsIndexRow(int row) const {
    const ContactListRow* entry = Entry(row);
    return entry != nullptr && entry->isIndex;
}

const ContactRecord* ContactListModel::Contact(int row) const {
    const ContactListRow* entry = Entry(row);
    if (entry == nullptr || entry->isIndex || entry->contact < 0 ||
        size_t(entry->contact) >= contacts_.size()) {
        return nullptr;
    }
    return &contacts_[size_t(entry->contact)];
}

int ContactListModel::RowOfContact(int id) const {
    for (int row = 0; row < EntryCount(); ++row) {
        const ContactRecord* contact = Contact(row);
        if (contact != nullptr && contact->id == id) {
            return row;
        }
    }
    return -1;
}

QString ContactListModel::DisplayText(int row) const {
    if (const ContactRecord* contact = Contact(row)) {
        return contact->name;
    }
    return CIndexElementItem::LetterText(Entry(row)->letter);
}

} // namespace tamberlink
