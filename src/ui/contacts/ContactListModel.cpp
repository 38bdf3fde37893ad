#include "ui/contacts/ContactListModel.h"

#include "store/LocalDatabase.h"
#include "ui/contacts/CIndexElementItem.h"

#include <algorithm>
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

// Appends the rows of contacts handed over in order: an index row where a letter begins.
// Letters that show alike ("#") share one row.
template <class Rows>
class Grouper {
public:
    explicit Grouper(Rows& rows)
        : rows_(rows) {}

    void Add(int contact, QChar letter) {
        // The contacts of one letter follow each other, so a letter gets its index row where
        // it first appears.
        if (first_ || letter != letter_) {
            const QString shown = CIndexElementItem::LetterText(letter);
            if (first_ || shown != shownLetter_) {
                rows_.push_back(ContactListRow::Index(letter));
                shownLetter_ = shown;
            }
            letter_ = letter;
            first_ = false;
        }
        rows_.push_back(ContactListRow::Of(contact));
    }

private:
    Rows& rows_;
    QChar letter_;
    QString shownLetter_;
    bool first_ = true;
};

} // namespace

std::vector<ContactListRow> ContactListModel::Group(const std::vector<ContactKey>& contacts) {
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
        return contacts[size_t(a.contact)].initials < contacts[size_t(b.contact)].initials;
    });
    std::vector<ContactListRow> rows;
    rows.reserve(contacts.size() + 64);
    Grouper grouper(rows);
    for (const Sorted& sorted : order) {
        const ContactKey& contact = contacts[size_t(sorted.contact)];
        grouper.Add(contact.id, contact.indexLetter);
    }
    return rows;
}

std::vector<ContactListRow> ContactListModel::Group(const std::vector<ContactRecord>& contacts) {
    std::vector<ContactKey> keys;
    keys.reserve(contacts.size());
    for (const ContactRecord& contact : contacts) {
        keys.push_back({int(keys.size()), contact.initials, contact.indexLetter});
    }
    return Group(keys);
}

void ContactListModel::Reload() {
    Search({});
}

void ContactListModel::Search(const QString& keyword) {
    if (core_ == nullptr) {
        return;
    }
    added_.clear();
    const bool searched = !keyword.isEmpty();
    // The keys come in the list's order and go straight into rows. The first screen is read
    // on its own, with its contacts, so that it shows before the keys of a long list are read.
    StartReload([this, searched, keyword](LocalDatabase& db) -> Landing {
        struct Read {
            std::vector<ContactRecord> contacts;
            std::vector<ContactListRow> rows;
        };
        auto landed = std::make_shared<Read>();
        Grouper grouper(landed->rows);
        std::vector<int> first;
        db.Contacts().ForEachKey(
            [&](const ContactKey& key) {
                grouper.Add(key.id, key.indexLetter);
                first.push_back(key.id);
            },
            kPageRows, keyword);
        landed->contacts = db.Contacts().Get(first);
        const bool more = first.size() == size_t(kPageRows);
        return [this, searched, landed, more, keyword] {
            Landed(std::move(landed->contacts), std::move(landed->rows), searched);
            if (!more) {
                return;
            }
            ContinueReload([this, keyword](LocalDatabase& db) -> Landing {
                // A deque, which grows without copies and becomes the list's rows as it is.
                auto rows = std::make_shared<Slots>();
                Grouper grouper(*rows);
                db.Contacts().ForEachKey(
                    [&grouper](const ContactKey& key) { grouper.Add(key.id, key.indexLetter); }, 0,
                    keyword);
                return [this, rows] {
                    LandedRest(std::move(*rows));
                };
            });
        };
    });
}

void ContactListModel::Landed(std::vector<ContactRecord> contacts, std::vector<ContactListRow> rows,
                              bool searched) {
    std::vector<ContactRecord> added = std::exchange(added_, {});
    Show(std::move(contacts), std::move(rows), searched, true);
    ShowNews(std::move(added));
}

void ContactListModel::LandedRest(Slots rows) {
    std::vector<ContactRecord> added = std::exchange(added_, {});
    indexRows_ = int(std::count_if(rows.begin(), rows.end(),
                                   [](const ContactListRow& row) { return row.IsIndex(); }));
    // The contacts kept stay: they are known by id.
    ShowAll(std::move(rows));
    ShowNews(std::move(added));
}

void ContactListModel::ShowNews(std::vector<ContactRecord> added) {
    for (int id : removed_) {
        RemoveContact(RowOfContact(id));
    }
    if (added.empty()) {
        return;
    }
    std::unordered_set<int> shown;
    shown.reserve(size_t(EntryCount()));
    for (int row = 0; row < EntryCount(); ++row) {
        if (const ContactListRow* entry = Entry(row); !entry->IsIndex()) {
            shown.insert(entry->Contact());
        }
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
    Show(std::move(contacts), std::move(rows), searched, false);
}

void ContactListModel::Show(std::vector<ContactRecord> contacts, std::vector<ContactListRow> rows,
                            bool searched, bool paged) {
    searched_ = searched;
    paged_ = paged;
    indexRows_ = int(std::count_if(rows.begin(), rows.end(),
                                   [](const ContactListRow& row) { return row.IsIndex(); }));
    std::unordered_map<int, ContactRecord> kept;
    if (paged) {
        kept.reserve(contacts.size());
        for (ContactRecord& contact : contacts) {
            const int id = contact.id;
            kept.insert_or_assign(id, std::move(contact));
        }
        contacts.clear();
    }
    std::unordered_map<int, ContactRecord> old = std::exchange(contacts_, std::move(kept));
    std::vector<ContactRecord> oldFilled = std::exchange(filled_, std::move(contacts));
    Load(std::move(rows));
    Discard(std::move(old));
    Discard(std::move(oldFilled));
}

void ContactListModel::AppendContacts(const std::vector<ContactRecord>& contacts) {
    if (IsLoading()) {
        added_.insert(added_.end(), contacts.begin(), contacts.end());
    }
    std::vector<ContactListRow> rows;
    rows.reserve(contacts.size());
    for (const ContactRecord& contact : contacts) {
        if (paged_) {
            rows.push_back(ContactListRow::Of(contact.id));
            contacts_.insert_or_assign(contact.id, contact);
        } else {
            rows.push_back(ContactListRow::Of(int(filled_.size())));
            filled_.push_back(contact);
        }
    }
    Append(std::move(rows));
}

void ContactListModel::RemoveContact(int row) {
    const ContactListRow* entry = Entry(row);
    if (entry == nullptr || entry->IsIndex()) {
        return;
    }
    // A filled list keeps the contact among its own until the next fill.
    if (paged_) {
        contacts_.erase(entry->Contact());
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

void ContactListModel::RemoveContactById(int id) {
    if (IsLoading()) {
        removed_.insert(id);
    }
    RemoveContact(RowOfContact(id));
}

bool ContactListModel::IsIndexRow(int row) const {
    const ContactListRow* entry = Entry(row);
    return entry != nullptr && entry->IsIndex();
}

std::vector<int> ContactListModel::OtherRows() const {
    std::vector<int> rows;
    rows.reserve(size_t(indexRows_));
    for (int row = 0; row < EntryCount() && int(rows.size()) < indexRows_; ++row) {
        if (IsIndexRow(row)) {
            rows.push_back(row);
        }
    }
    return rows;
}

const ContactRecord* ContactListModel::Contact(int row) const {
    const ContactListRow* entry = Entry(row);
    if (entry == nullptr || entry->IsIndex()) {
        return nullptr;
    }
    if (!paged_) {
        return entry->Contact() >= 0 && size_t(entry->Contact()) < filled_.size()
                   ? &filled_[size_t(entry->Contact())]
                   : nullptr;
    }
    auto found = contacts_.find(entry->Contact());
    if (found == contacts_.end() && paged_ && core_ != nullptr) {
        ReadPageAround(row);
        found = contacts_.find(entry->Contact());
    }
    return found == contacts_.end() ? nullptr : &found->second;
}

void ContactListModel::ReadPageAround(int row) const {
    const int first = std::max(0, row - kPageMargin);
    const int last = std::min(EntryCount(), first + kPageRows);
    if (contacts_.size() + kPageRows > size_t(kKeptRecords)) {
        std::unordered_map<int, ContactRecord> near;
        const int from = std::max(0, row - kKeptRecords / 4);
        const int to = std::min(EntryCount(), row + kKeptRecords / 4);
        for (int r = from; r < to; ++r) {
            if (auto found = contacts_.find(Entry(r)->Contact()); found != contacts_.end()) {
                near.insert(contacts_.extract(found));
            }
        }
        contacts_.swap(near);
    }
    std::vector<int> wanted;
    for (int r = first; r < last; ++r) {
        const ContactListRow* entry = Entry(r);
        if (!entry->IsIndex() && contacts_.count(entry->Contact()) == 0) {
            wanted.push_back(entry->Contact());
        }
    }
    for (ContactRecord& contact : Database(*core_).Contacts().Get(wanted)) {
        const int id = contact.id;
        contacts_.insert_or_assign(id, std::move(contact));
    }
}

int ContactListModel::RowOfContact(int id) const {
    for (int row = 0; row < EntryCount(); ++row) {
        const ContactListRow* entry = Entry(row);
        if (!entry->IsIndex() &&
            (paged_ ? entry->Contact() == id : filled_[size_t(entry->Contact())].id == id)) {
            return row;
        }
    }
    return -1;
}

QString ContactListModel::DisplayText(int row) const {
    if (const ContactRecord* contact = Contact(row)) {
        return contact->name;
    }
    return CIndexElementItem::LetterText(Entry(row)->Letter());
}

} // namespace tamberlink
