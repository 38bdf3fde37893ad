#pragma once

#include "carddav/AddressBookSync.h"
#include "store/AddressBookTable.h"

#include <QObject>
#include <QTimer>

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace tamberlink {

class AttributionDatabase;
class DavClient;
class LocalDatabase;
class PasswordKeyring;

// The two-way sync of the contacts with the user's CardDAV address book, on a worker thread
// of its own: at start, every 15 minutes, shortly after a local change and when asked. The
// password lives in the desktop keyring (for this session only where there is none), never
// in the database. Lives on the UI thread; its signals come there.
class ContactSyncService : public QObject {
    Q_OBJECT
public:
    // What the service needs of the core, called on the UI thread (`post` from any thread).
    struct Hooks {
        std::function<void(std::function<void()>)> post;
        std::function<void()> contactsChanged;
        // Asks the user whether a sync may delete `contacts` of `total` contacts; the answer
        // may come later. Without it such a sync keeps them.
        std::function<void(int contacts, int total, std::function<void(bool)> answer)> askDeletion;
    };

    static constexpr int kPeriodMs = 15 * 60 * 1000;
    static constexpr int kAfterChangeMs = 10 * 1000;

    ContactSyncService(LocalDatabase& database, const AttributionDatabase& attribution,
                       PasswordKeyring* keyring, Hooks hooks, QObject* parent = nullptr);
    ~ContactSyncService() override;

    // Starts the timers and, for an account that is set, the first sync.
    void Start();
    // Ends a sync under way and waits for the worker.
    void Stop();

    AddressBookAccount Account();
    // Keeps the account; the password, unless empty, goes to the keyring. A new server, user or book makes
    // the next sync a full one.
    bool SaveAccount(const QString& server, const QString& user, const QString& book,
                     const QString& password);
    // Looks for the address books at `server`; BooksFound answers.
    void Discover(const QString& server, const QString& user, const QString& password);
    // A sync as soon as the worker is free, with `password` or the kept one; SyncFinished
    // names it by the number returned.
    int SyncNow(const std::optional<QString>& password = std::nullopt);
    // Runs a sync and waits for it, the user interface going on meanwhile.
    SyncOutcome SyncAndWait(const std::optional<QString>& password = std::nullopt);
    // A contact was written here: a sync follows shortly.
    void LocalChanged();
    bool IsSyncing() const { return pendingSyncs_ > 0; }

signals:
    void BooksFound(const std::vector<tamberlink::AddressBookInfo>& books, const QString& error);
    void SyncStarted();
    // The service stopped: no sync will finish any more.
    void Stopped();
    void SyncFinished(const tamberlink::SyncOutcome& outcome, int ticket);

private:
    void Post(std::function<void()> job);
    void WorkerLoop();
    void RunSync(const QString& password, int ticket);
    bool ConfirmDeletion(int contacts, int total);
    void WithPassword(const std::function<void(QString)>& use);

    LocalDatabase& database_;
    const AttributionDatabase& attribution_;
    PasswordKeyring* keyring_;
    Hooks hooks_;
    QString sessionPassword_;
    QTimer period_;
    QTimer afterChange_;
    int pendingSyncs_ = 0; // on the UI thread
    int lastTicket_ = 0;

    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::function<void()>> jobs_;
    bool stopping_ = false;
    DavClient* current_ = nullptr;
    std::thread worker_;
};

} // namespace tamberlink
