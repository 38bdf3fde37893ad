#pragma once

#include <QChar>
#include <QString>

namespace tamberlink {

// A contact as the lists, pickers and cloud sync hand it around.
struct ContactRecord {
    ContactRecord() = default;
    // Computes the pinyin initials and the index letter from the name at once.
    ContactRecord(const QString& name, const QString& phone, const QString& head);

    int id = 0; // row id in table_contact; 0 when the reader does not load it
    QString name;
    QString initials; // upper-case pinyin initials, stored as nameindex
    QString phone;    // one number; several separated by ';' while a contact is being added
    QString attribution;
    QString head;      // picture file name; empty for the default picture
    QChar indexLetter; // first letter of the initials, the group of the contact list
    QString email;
    QString company;
    QString home;
    QString other;
    QString cid;      // identifier at the cloud service
    QString datetime; // date stamp from the cloud service

    // The contact list sorts by initials, ordinal.
    bool operator<(const ContactRecord& other) const { return initials < other.initials; }
};

// A contact as a contact file brings it or takes it away: the row of one number, and the card
// it belongs to. The contacts of one card share its uid; `lines` holds the card's property
// lines, one a line, so that what the program does not show goes back out unchanged. Both
// are empty for a contact entered here.
struct ContactCardRecord {
    ContactRecord contact;
    QString uid;
    QString lines;
};

// What an import did to the contacts.
struct ContactImportCounts {
    int added = 0;
    int filled = 0;  // stored numbers whose empty fields took the file's
    int skipped = 0; // stored numbers left as they were
};

// What the contact list orders and groups a contact by, without the rest of the record.
struct ContactKey {
    int id = 0;
    QString initials;
    QChar indexLetter;
};

} // namespace tamberlink
