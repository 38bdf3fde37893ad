#pragma once

#include "store/AccountTable.h"
#include "store/AddressBookTable.h"
#include "store/CallAttemptTable.h"
#include "store/CallFiguresTable.h"
#include "store/CallLogTable.h"
#include "store/ContactTable.h"
#include "store/DoNotCallTable.h"
#include "store/EventJournalTable.h"
#include "store/FollowUpTable.h"
#include "store/NoteTable.h"
#include "store/NuisanceLogTable.h"
#include "store/NuisanceRuleTable.h"
#include "store/NuisanceWhitelistTable.h"
#include "store/NumberHistoryTable.h"
#include "store/OriginTable.h"
#include "store/SettingTable.h"
#include "store/SmsTable.h"
#include "store/StoreConnection.h"
#include "store/TemplateTable.h"
#include "store/WebhookDeliveryTable.h"
#include "store/WebhookEndpointTable.h"

#include <QString>

#include <atomic>
#include <functional>

namespace tamberlink {

// The user's database: settings, account, contacts, call log, sent SMS, templates, notes,
// web pages' answers, the nuisance-call rules, the call events' journal, the webhooks, the
// do-not-call list and the dialling campaigns' attempts, one class
// per table over one connection. The connection serves every thread; each table operation runs
// whole under the connection's lock, binds every value as a parameter (so quotes, '%' and '_' are
// stored verbatim) and reports a failed write on lcStore with the operation's words and SQLite's
// message. The file is kept in WAL mode: a commit does not wait for the disk and still survives a
// crash of the program, and a second, read-only object over the same file reads long lists without
// waiting for the writer.
class LocalDatabase {
public:
    // Why an open was refused although SQLite could open the file.
    enum class Refusal {
        None,
        NewerVersion,  // written by a newer program: not changed in any way
        UpgradeFailed, // a schema upgrade step failed: rolled back, the file as it was
    };

    LocalDatabase() = default;
    ~LocalDatabase();
    LocalDatabase(const LocalDatabase&) = delete;
    LocalDatabase& operator=(const LocalDatabase&) = delete;

    // Opens (creating when missing) the database file. A file that is not a database, or
    // whose schema version is newer than this program knows, counts as a failed open; the
    // reason is in OpenError() and OpenRefusal(). A file of the current version goes over to
    // WAL at once, an older one once RunMigrations has brought it up to date.
    bool Open(const QString& path);
    // Opens an existing database file for reading only, beside the connection that writes.
    bool OpenForReading(const QString& path);
    // Opens a second writing connection to the file `main` has open, for a long write (an
    // import) that must not hold up main's users: they read on while it writes, and only
    // their own writes wait (SQLite's busy wait, at most 3 s) for its transactions. Closing
    // it leaves the log for `main` to fold into the file.
    bool OpenBeside(const LocalDatabase& main);
    QString OpenError() const { return openError_; }
    // SQLite's message for the connection's last failure.
    QString LastError() const { return connection_.ErrorText(); }
    Refusal OpenRefusal() const { return refusal_; }
    bool IsOpen() const;
    // The writing connection first moves every committed page into the file and empties the
    // log, so that a closed database is one file again.
    void Close();
    // Makes a statement running on another thread stop early (it then reads as finished),
    // and on a connection opened for reading every later one too; for ending a long read at
    // exit.
    void Interrupt();

    // Hands the writing connection's checkpoints to `checkpoint`, called with the log's size
    // after each commit that leaves it at kCheckpointPages pages or more; from
    // kWriterCheckpointPages on the writer checkpoints itself as well. An empty one gives
    // them back.
    static constexpr int kCheckpointPages = 1000;
    static constexpr int kWriterCheckpointPages = 4 * kCheckpointPages;
    void HandCheckpointsTo(std::function<void(int pages)> checkpoint);
    // Moves what the log holds into the file as far as no reader still needs it, without
    // waiting for anyone.
    void CheckpointPassively();

    // Brings the open file up to the current schema version in one transaction (see
    // Schema.h). False, with the file as it was and the reason in OpenError(), when a step
    // fails; the database stays open for the caller to close.
    bool RunMigrations();
    // Whether RunMigrations has steps to run.
    bool NeedsMigrations();

    AccountTable& Account() { return account_; }
    AddressBookTable& AddressBook() { return addressBook_; }
    CallLogTable& CallLog() { return callLog_; }
    CallFiguresTable& Figures() { return callFigures_; }
    ContactTable& Contacts() { return contacts_; }
    EventJournalTable& Events() { return events_; }
    FollowUpTable& FollowUp() { return followUp_; }
    NoteTable& Notes() { return notes_; }
    NumberHistoryTable& NumberHistory() { return numberHistory_; }
    NuisanceRuleTable& NuisanceRules() { return nuisanceRules_; }
    NuisanceWhitelistTable& NuisanceWhitelist() { return nuisanceWhitelist_; }
    NuisanceLogTable& NuisanceLog() { return nuisanceLog_; }
    DoNotCallTable& DoNotCall() { return doNotCall_; }
    CallAttemptTable& CallAttempts() { return callAttempts_; }
    OriginTable& Origins() { return origins_; }
    SettingTable& Settings() { return settings_; }
    SmsTable& Sms() { return sms_; }
    TemplateTable& Templates() { return templates_; }
    WebhookEndpointTable& WebhookEndpoints() { return webhookEndpoints_; }
    WebhookDeliveryTable& WebhookDeliveries() { return webhookDeliveries_; }

private:
    // With the lock held.
    void UseWal();

    StoreConnection connection_;
    std::atomic<bool> interrupted_{false};
    std::function<void(int pages)> checkpoint_;
    bool readOnly_ = false;
    bool beside_ = false;
    QString path_;
    QString openError_;
    Refusal refusal_ = Refusal::None;

    AccountTable account_{connection_};
    AddressBookTable addressBook_{connection_};
    CallLogTable callLog_{connection_};
    CallFiguresTable callFigures_{connection_};
    ContactTable contacts_{connection_};
    EventJournalTable events_{connection_};
    FollowUpTable followUp_{connection_};
    NoteTable notes_{connection_};
    NumberHistoryTable numberHistory_{connection_};
    NuisanceRuleTable nuisanceRules_{connection_};
    NuisanceWhitelistTable nuisanceWhitelist_{connection_};
    NuisanceLogTable nuisanceLog_{connection_};
    DoNotCallTable doNotCall_{connection_};
    CallAttemptTable callAttempts_{connection_};
    OriginTable origins_{connection_};
    SettingTable settings_{connection_};
    SmsTable sms_{connection_};
    TemplateTable templates_{connection_};
    WebhookEndpointTable webhookEndpoints_{connection_};
    WebhookDeliveryTable webhookDeliveries_{connection_};
};

} // namespace tamberlink
