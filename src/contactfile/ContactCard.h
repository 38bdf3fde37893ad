#pragma once

#include <QString>
#include <QStringList>

#include <vector>

namespace tamberlink {

// A person as a contact file holds them: one card with any number of numbers. The fields the
// contact card shows are read out; every property line of the card is also kept, in vCard 3.0
// form, so that what the program does not show (PHOTO, BDAY, X- fields, groups) and what the
// user left unchanged go back out as they came.
struct ContactCard {
    QString uid;
    QString name;
    QStringList numbers; // as written in the file
    QString email;
    QString company;
    QString address;
    QString note;
    // The card's property lines, unfolded, without BEGIN, END, VERSION, PRODID and UID.
    QStringList lines;
};

// A card or row that was left out, and why.
struct ContactFileProblem {
    qint64 line = 0; // where it starts, counted from 1
    QString text;    // its beginning, as the user recognises it
    QString reason;
};

// What a contact file held. `error` says why nothing could be read at all.
struct ContactFileContents {
    std::vector<ContactCard> cards;
    std::vector<ContactFileProblem> problems;
    QString error;
};

} // namespace tamberlink
