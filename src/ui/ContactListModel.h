#pragma once

#include "store/ContactRecord.h"
#include "ui/RecordListModel.h"

namespace tamberlink {

// A row of the contacts list: the index row of a letter, or a contact (kept by the model,
// found by its position there).
struct ContactListRow {
    bool isIndex = false;
    QChar letter;     // index rows: the letter shown
    int contact = -1; // contact rows: the contact's position in the model
};

// The rows of the contacts page: the contacts sorted by their initials, each letter's
// contacts under an index row. Contacts added since the last fill follow at the end, without
// index rows. An empty list shows a placeholder that tells whether a search found nothing.
class ContactListModel : public RecordListModel<ContactListRow> {
    Q_OBJECT

public:
    using RecordListModel::RecordListModel;

    static QString EmptyText() { return QStringLiteral("您还没有任何联系人哦"); }
    static QString NotFoundText() { return QStringLiteral("没有找到匹配的联系人"); }

    // The rows for `contacts`: sorted by initials (ordinal, UTF-16), contacts with equal
    // initials in the order given; an index row before the first contact of each letter.
    static std::vector<ContactListRow> Group(const std::vector<ContactRecord>& contacts);

    // Shows `contacts` grouped; `searched` tells which placeholder an empty result shows.
    void Fill(std::vector<ContactRecord> contacts, bool searched);
    // Adds contact rows at the end, without index rows.
    void AppendContacts(const std::vector<ContactRecord>& contacts);
    // Removes the contact row `row`, and its index row when no contact is left under it.
    void RemoveContact(int row);

    bool IsIndexRow(int row) const;
    // The contact shown at `row`; nullptr for an index row, the placeholder or no row.
    const ContactRecord* Contact(int row) const;
    // The row of the contact `id`, or -1.
    int RowOfContact(int id) const;
    int ContactCount() const { return EntryCount() - indexRows_; }

protected:
    QString PlaceholderText() const override { return searched_ ? NotFoundText() : EmptyText(); }
    QString DisplayText(int row) const override;

private:
    std::vector<ContactRecord> contacts_;
    bool searched_ = false;
    int indexRows_ = 0;
};

} // namespace tamberlink
