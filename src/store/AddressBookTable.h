#pragma once

#include "store/ContactRecord.h"

#include <QString>
#include <QStringList>

#include <map>
#include <optional>
#include <vector>

namespace tamberlink {

class AttributionDatabase;
class StoreConnection;

// The CardDAV account: where the address book is and how far the last sync came. The
// password is no part of it.
struct AddressBookAccount {
    QString server; // what the user typed: a server or an address book's URL
    QString user;
    QString book;        // the address book's URL, found or chosen
    QString token;       // the sync-collection token of the last complete sync; empty for none
    qint64 lastSync = 0; // seconds since 1970 of the last sync's end; 0 for never
    QString lastResult;
};

// What the last sync knew of one card: where it lives on the server, its ETag and the card as
// both sides had it then (the base a merge compares each side against).
struct SyncedCard {
    QString uid;
    QString href;
    QString etag;
    QByteArray copy;
};

// table_carddav_account and table_carddav_card, with the contacts a sync writes: each card is
// stored with its sync state in one transaction, so that a sync broken off anywhere leaves
// every card either as it was or as the server has it.
class AddressBookTable {
public:
    explicit AddressBookTable(StoreConnection& connection)
        : connection_(connection) {}

    AddressBookAccount ReadAccount();
    // A new server, user or book forgets the sync state: the next sync reconciles in full.
    bool WriteAccount(const QString& server, const QString& user, const QString& book);
    bool WriteToken(const QString& token);
    bool WriteResult(qint64 time, const QString& result);

    std::map<QString, SyncedCard> LoadSynced();
    bool WriteSynced(const SyncedCard& card);
    bool ForgetSynced(const QString& uid);

    // Gives every contact without a card a card of its own (a new uid), so that it can sync.
    bool GiveCards();
    // Every contact with its card, grouped by uid in the order of the cards' first rows.
    std::vector<std::vector<ContactCardRecord>> LoadCards();
    // Stores `rows` as the contacts of card `uid`: a number the card had keeps its row (and its
    // picture), new numbers are added, numbers gone are deleted; with the sync state `synced`.
    bool StoreCard(const QString& uid, const std::vector<ContactCardRecord>& rows,
                   const SyncedCard& synced, const AttributionDatabase& attribution);
    // Deletes the contacts of card `uid` and its sync state. `removed` counts the contacts.
    bool DeleteCard(const QString& uid, int* removed = nullptr);
    int CountContacts();
    int CountCardContacts(const QString& uid);

private:
    StoreConnection& connection_;
};

} // namespace tamberlink
