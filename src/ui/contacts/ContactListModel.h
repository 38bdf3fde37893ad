#pragma once

#include "store/ContactRecord.h"
#include "ui/lists/RecordListModel.h"

#include <functional>
#include <unordered_map>

namespace tamberlink {

// A row of the contacts list: the index row of a letter, or a contact, known by its id. Four
// bytes, since a list of half a million contacts keeps one per contact.
class ContactListRow {
public:
    // An index row showing `letter`.
    static ContactListRow Index(QChar letter) { return ContactListRow(-1 - int(letter.unicode())); }
    // A contact row: the contact's id in a list a reload read, its position among the
    // contacts given in a filled one.
    static ContactListRow Of(int contact) { return ContactListRow(contact); }

    ContactListRow() = default;

    bool IsIndex() const { return value_ < 0; }
    // Index rows: the letter shown.
    QChar Letter() const { return IsIndex() ? QChar(char16_t(-1 - value_)) : QChar(); }
    // Contact rows: the id or position; -1 for index rows.
    int Contact() const { return IsIndex() ? -1 : value_; }

    bool operator==(const ContactListRow&) const = default;

private:
    explicit ContactListRow(int value)
        : value_(value) {}

    // Contact rows: the id or position, never negative; index rows: -1 - the letter.
    int value_ = -1;
};

// The rows of the contacts page: the contacts sorted by their initials, each letter's
// contacts under an index row. Contacts added since the last fill follow at the end, without
// index rows. An empty list shows a placeholder that tells whether a search found nothing.
//
// A reload reads only each contact's id and initials, and keeps the rows; the contacts
// themselves are read a page at a time as their rows are seen, and only those near the rows
// seen are kept; a search reads its rows the same way.
class ContactListModel : public RecordListModel<ContactListRow> {
    Q_OBJECT

public:
    using RecordListModel::RecordListModel;

    // Reloads read the contacts from `core`.
    void SetSource(AppCore& core) { core_ = &core; }
    // Reads every contact again without holding up the UI thread and shows them grouped
    // (in order and grouped on the reader thread): the first screen when it lands, then the
    // rest after it. Contacts added or deleted meanwhile keep their news.
    void Reload();
    // Like a reload, the contacts whose name, number or initials contain `keyword` (every
    // contact when it is empty), read through the search index where it serves.
    void Search(const QString& keyword);

    static QString EmptyText() { return QStringLiteral("您还没有任何联系人哦"); }
    static QString NotFoundText() { return QStringLiteral("没有找到匹配的联系人"); }

    // The rows for `contacts`: sorted by initials (ordinal, UTF-16), contacts with equal
    // initials in the order given; an index row before the first contact of each letter.
    // Contact rows hold the key's id, or the record's position.
    static std::vector<ContactListRow> Group(const std::vector<ContactKey>& contacts);
    static std::vector<ContactListRow> Group(const std::vector<ContactRecord>& contacts);

    // Shows `contacts` grouped; `searched` tells which placeholder an empty result shows. A
    // reload under way no longer lands.
    void Fill(std::vector<ContactRecord> contacts, bool searched);
    // Adds contact rows at the end, without index rows.
    void AppendContacts(const std::vector<ContactRecord>& contacts);
    // Removes the contact row `row`, and its index row when no contact is left under it.
    void RemoveContact(int row);
    // Removes the contact `id`; a reload under way does not bring it back.
    void RemoveContactById(int id);

    bool IsIndexRow(int row) const;
    // The contact shown at `row`; nullptr for an index row, the placeholder or no row.
    const ContactRecord* Contact(int row) const;
    // The row of the contact `id`, or -1.
    int RowOfContact(int id) const;
    int ContactCount() const { return EntryCount() - indexRows_; }
    std::vector<int> OtherRows() const override;

protected:
    QString PlaceholderText() const override { return searched_ ? NotFoundText() : EmptyText(); }
    QString DisplayText(int row) const override;
    // Contact rows give their ContactRecord; index rows none.
    const void* RecordAt(int row) const override { return Contact(row); }
    bool IsOtherRow(int row) const override { return IsIndexRow(row); }

private:
    // Shows the rows a reload read first with the contacts read with them, then the news
    // that came meanwhile.
    void Landed(std::vector<ContactRecord> contacts, std::vector<ContactListRow> rows,
                bool searched);
    // Shows every row of a list whose first screen shows.
    void LandedRest(Slots rows);
    // Takes out the contacts removed and adds those added while a read was under way.
    void ShowNews(std::vector<ContactRecord> added);
    // Shows `rows` with `contacts`; `paged` when the rows' other contacts are read as seen.
    void Show(std::vector<ContactRecord> contacts, std::vector<ContactListRow> rows, bool searched,
              bool paged);
    // Reads the contacts of the rows around `row` that are not kept, first letting go of
    // those far from it when too many are kept.
    void ReadPageAround(int row) const;

    // The contacts kept of a list a reload read, by id.
    mutable std::unordered_map<int, ContactRecord> contacts_;
    // The contacts of a filled list, by position.
    std::vector<ContactRecord> filled_;
    bool paged_ = false;
    // Contacts added while a reload is under way: its read may have come before them.
    std::vector<ContactRecord> added_;
    bool searched_ = false;
    int indexRows_ = 0;
};

} // namespace tamberlink
