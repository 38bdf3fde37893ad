#include "ui/ContactListModel.h"

#include "ui/CIndexElementItem.h"

#include <numeric>

namespace tamberlink {

std::vector<ContactListRow> ContactListModel::Group(std::vector<ContactRecord> contacts) {
    // The order is found on positions, so each record is moved once.
    std::vector<int> order(contacts.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&contacts](int a, int b) {
        return contacts[size_t(a)] < contacts[size_t(b)];
    });
    std::vector<ContactListRow> rows;
    rows.reserve(contacts.size() + 64);
    QString shownLetter;
    for (size_t i = 0; i < order.size(); ++i) {
        ContactRecord& contact = contacts[size_t(order[i])];
        // The contacts of one letter follow each other once sorted, so a letter gets its
        // index row where it first appears. Letters that show alike ("#") share one row.
        const QString letter = CIndexElementItem::LetterText(contact.indexLetter);
        if (i == 0 || letter != shownLetter) {
            ContactListRow& index = rows.emplace_back();
            index.isIndex = true;
            index.contact.indexLetter = contact.indexLetter;
            shownLetter = letter;
        }
        rows.push_back({false, std::move(contact)});
    }
    return rows;
}

void ContactListModel::Fill(std::vector<ContactRecord> contacts, bool searched) {
    searched_ = searched;
    std::vector<ContactListRow> rows = Group(std::move(contacts));
    indexRows_ = int(std::count_if(rows.begin(), rows.end(),
                                   [](const ContactListRow& row) { return row.isIndex; }));
    Load(std::move(rows));
}

void ContactListModel::AppendContacts(const std::vector<ContactRecord>& contacts) {
    std::vector<ContactListRow> rows;
    rows.reserve(contacts.size());
    for (const ContactRecord& contact : contacts) {
        rows.push_back({false, contact});
    }
    Append(std::move(rows));
}

void ContactListModel::RemoveContact(int row) {
    if (Contact(row) == nullptr) {
        return;
    }
    const bool lastOfLetter =
        IsIndexRow(row - 1) && (row + 1 >= EntryCount() || IsIndexRow(row + 1));
    if (lastOfLetter) {
        --indexRows_;
        RemoveRows({row - 1, row});
    } else {
        RemoveRows({row});
    }
}

bool ContactListModel::IsIndexRow(int row) const {
    const ContactListRow* entry = Entry(row);
    return entry != nullptr && entry->isIndex;
}

const ContactRecord* ContactListModel::Contact(int row) const {
    const ContactListRow* entry = Entry(row);
    return entry != nullptr && !entry->isIndex ? &entry->contact : nullptr;
}

int ContactListModel::RowOfContact(int id) const {
    const auto found = std::find_if(entries_.begin(), entries_.end(), [id](const auto& entry) {
        return !entry.isIndex && entry.contact.id == id;
    });
    return found == entries_.end() ? -1 : int(found - entries_.begin());
}

QString ContactListModel::DisplayText(int row) const {
    const ContactListRow* entry = Entry(row);
    return entry->isIndex ? CIndexElementItem::LetterText(entry->contact.indexLetter)
                          : entry->contact.name;
}

} // namespace tamberlink
