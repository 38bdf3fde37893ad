#pragma once

#include "carddav/CardDavServer.h"

#include <QString>

#include <cstdint>
#include <functional>

namespace tamberlink {

class AttributionDatabase;
class LocalDatabase;

// What one sync did, or the step that failed.
struct SyncOutcome {
    bool ok = false;
    QString error;
    int received = 0; // cards added or changed here from the server
    int removed = 0;  // contacts deleted here because the server deleted their card
    int sent = 0;     // cards added or changed on the server
    int deleted = 0;  // cards deleted on the server
    int merged = 0;   // cards changed on both sides
    bool deletionsRefused = false;
    std::uint64_t bytes = 0;

    // One line for the window, the log and the command line.
    QString Summary() const;
};

// One two-way sync of the contacts with the account's address book. Incremental with the
// sync token where the server keeps one, by ETags where it does not; every write is
// conditional, and a card changed on both sides is merged against the last synced copy.
// Nothing is deleted here unless the server listed the card as gone, so a server that fails
// or cannot be reached costs no contact. Each card is stored with its sync state in one
// transaction; the token is kept only when everything went through, so a sync broken off
// is completed by the next.
class AddressBookSync {
public:
    // Asked before a sync deletes more than a tenth of the contacts, or more than 20: true to
    // delete them. Refused, the cards stay here and go back to the server.
    using ConfirmDeletion = std::function<bool(int contacts, int total)>;

    AddressBookSync(LocalDatabase& database, const AttributionDatabase& attribution,
                    CardDavServer& server)
        : database_(database)
        , attribution_(attribution)
        , server_(server) {}

    SyncOutcome Run(const QString& book, const ConfirmDeletion& confirm);

private:
    LocalDatabase& database_;
    const AttributionDatabase& attribution_;
    CardDavServer& server_;
};

} // namespace tamberlink
