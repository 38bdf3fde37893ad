#pragma once

#include "store/WebhookRecord.h"

#include <QString>
#include <QStringList>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace tamberlink {

class LocalDatabase;

// A webhook as a settings window shows it; the secret is shown once, when it is made.
struct WebhookEndpoint {
    int id = 0;
    QString url;
    QStringList types; // empty: every event
    bool paused = false;
    qint64 failingSince = 0; // seconds since the epoch; 0 while it takes its deliveries
    int queued = 0;
};

// Keeps the call events and posts them to the user's webhooks.
//
// Record takes each event from any thread and returns at once: the journal writer thread
// writes it to table_event together with a delivery for each webhook that wants its type,
// in one transaction, so a crash loses neither half. Worker threads post the deliveries,
// each webhook's in the order of its events, one at a time: a failed one is tried again
// after each of the retry delays while the ones behind it wait, and keeps its webhook-id.
// Everything queued lives in the database and survives a restart or a crash; memory holds
// only each queue's ids. A webhook failing for `pauseAfter` is paused with a notice and
// resumes when asked. Neither the call flow nor the UI thread ever waits for the network.
class WebhookService {
public:
    struct Options {
        std::vector<std::chrono::milliseconds> retryDelays{
            std::chrono::seconds(5), std::chrono::minutes(5), std::chrono::minutes(30),
            std::chrono::hours(2),   std::chrono::hours(5),   std::chrono::hours(10),
            std::chrono::hours(10)};
        std::chrono::milliseconds pauseAfter{std::chrono::hours(24)};
        std::chrono::milliseconds timeout{15000};
        int workers = 4;
        // Queued deliveries per webhook; the oldest beyond it are given up.
        std::size_t maxQueued = 10000;
        // Events waiting for the journal writer; beyond it they are not journaled.
        std::size_t maxPendingEvents = 10000;
        // Events older than this, or more than keepEventCount below the newest, are pruned,
        // and so are finished deliveries older than it.
        std::chrono::seconds keepEvents{std::chrono::hours(24 * 7)};
        qint64 keepEventCount = 100000;
        // curl's "host:port:address" overrides of name resolution.
        std::vector<std::string> resolve;
    };

    static constexpr int kMaxEndpoints = 100;
    // The event types a webhook can ask for.
    static const QStringList& EventTypes();

    // `notice` tells the user something, from any thread.
    WebhookService(LocalDatabase& database, std::function<void(const QString&)> notice);
    WebhookService(LocalDatabase& database, std::function<void(const QString&)> notice,
                   Options options);
    ~WebhookService();
    WebhookService(const WebhookService&) = delete;
    WebhookService& operator=(const WebhookService&) = delete;

    // Reads the webhooks and the queued deliveries, prunes the journal and starts the
    // threads. Returns the newest event id ever journaled, for the ids to go on from.
    qint64 Start();
    // Writes the events still waiting, then stops and joins the threads; a post under way
    // is abandoned and stays queued. Runs once.
    void Stop();

    // Journals the event and queues its deliveries; from any thread, never waiting for the
    // disk. A journal that cannot be written is told once, until a write succeeds again.
    void Record(JournalEvent event);
    // "address:port"; empty for a direct connection. Posts to https webhooks use it.
    void SetProxy(const QString& proxy);

    // For a settings window; every call returns at once.
    std::vector<WebhookEndpoint> Endpoints() const;
    struct Added {
        int id = 0;
        QString secret; // shown once
        QString error;  // why it was refused; empty when added
    };
    Added AddEndpoint(const QString& url, const QStringList& types);
    // Why it was refused; empty when changed.
    QString UpdateEndpoint(int id, const QString& url, const QStringList& types);
    bool RemoveEndpoint(int id);
    // A new secret for the webhook, shown once; empty when it could not be saved.
    QString NewSecret(int id);
    // Sets a secret made elsewhere; why it was refused, empty when set.
    QString SetSecret(int id, const QString& secret);
    bool Pause(int id);
    // Takes the webhook's deliveries up again at once, the failed clock reset.
    bool Resume(int id);
    // Newest first.
    std::vector<WebhookDeliveryRecord> DeliveryLog(int id, int limit = 100);
    // Queues the delivery again, with the same webhook-id, at the end of its queue.
    bool Redeliver(qint64 deliveryId);

    // Deliveries queued for all webhooks, and events not yet journaled.
    std::size_t QueuedDeliveries() const;
    std::size_t PendingEvents() const;

private:
    using Clock = std::chrono::steady_clock;
    struct Endpoint {
        WebhookEndpointRecord record;
        QByteArray key;
        QStringList types;
        std::deque<qint64> queue;
        Clock::time_point due;
        bool busy = false;
    };

    void WriteJournal();
    void Deliver();
    void Prune();
    // With mutex_ held: the webhook whose head delivery is due first, or null; `wake` gets
    // the earliest time one falls due.
    std::shared_ptr<Endpoint> NextDue(Clock::time_point now, Clock::time_point& wake);
    void Attempt(const std::shared_ptr<Endpoint>& endpoint, qint64 deliveryId);
    // With mutex_ held.
    void Enqueue(Endpoint& endpoint, qint64 deliveryId, Clock::time_point due);
    static QString TypesText(const QStringList& types);
    static QString CheckTypes(const QStringList& types);
    QString Body(const JournalEvent& event) const;

    LocalDatabase& database_;
    std::function<void(const QString&)> notice_;
    const Options options_;

    mutable std::mutex mutex_; // endpoints, their queues, proxy, stop
    std::condition_variable wake_;
    std::map<int, std::shared_ptr<Endpoint>> endpoints_;
    std::string proxy_;
    bool started_ = false;
    bool stopping_ = false;
    std::atomic<bool> abort_{false};
    std::vector<std::thread> workers_;

    mutable std::mutex journalMutex_; // the events waiting for the writer
    std::condition_variable journalWake_;
    std::deque<JournalEvent> pending_;
    std::size_t writing_ = 0; // taken by the writer, not yet committed
    bool journalStop_ = false;
    bool journalFailing_ = false; // told once, until a write succeeds
    bool overflowed_ = false;     // events were dropped since the writer last looked
    std::thread writer_;
    Clock::time_point lastPrune_;
};

} // namespace tamberlink
