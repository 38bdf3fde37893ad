#include "webhooks/WebhookService.h"

#include "store/LocalDatabase.h"
#include "webhooks/WebhookSender.h"
#include "webhooks/WebhookSignature.h"

#include <QDateTime>
#include <QLoggingCategory>
#include <QRandomGenerator>

#include <algorithm>
#include <ctime>

Q_LOGGING_CATEGORY(lcWebhooks, "tamberlink.webhooks", QtInfoMsg)

namespace tamberlink {
namespace {

qint64 WallNow() {
    return qint64(std::time(nullptr));
}

// "msg_" and 16 random bytes in hex: unique across restarts and machines.
QString NewMessageId() {
    quint32 words[4];
    QRandomGenerator::system()->generate(std::begin(words), std::end(words));
    return QStringLiteral("msg_") +
           QString::fromLatin1(
               QByteArray(reinterpret_cast<const char*>(words), sizeof words).toHex());
}

// How often the journal and the delivery log are pruned of what is older than they keep.
constexpr auto kPruneEvery = std::chrono::minutes(10);

} // namespace

const QStringList& WebhookService::EventTypes() {
    static const QStringList types = {QStringLiteral("incoming"),
                                      QStringLiteral("blocked"),
                                      QStringLiteral("missed"),
                                      QStringLiteral("dialled"),
                                      QStringLiteral("answered"),
                                      QStringLiteral("ended"),
                                      QStringLiteral("recording-started"),
                                      QStringLiteral("recording-finished"),
                                      QStringLiteral("sms-sent"),
                                      QStringLiteral("device"),
                                      QStringLiteral("call-outcome")};
    return types;
}

WebhookService::WebhookService(LocalDatabase& database, std::function<void(const QString&)> notice)
    : WebhookService(database, std::move(notice), Options()) {}

WebhookService::WebhookService(LocalDatabase& database, std::function<void(const QString&)> notice,
                               Options options)
    : database_(database)
    , notice_(std::move(notice))
    , options_(std::move(options)) {}

WebhookService::~WebhookService() {
    Stop();
}

qint64 WebhookService::Start() {
    std::lock_guard lock(mutex_);
    if (started_) {
        return database_.Events().NewestId();
    }
    started_ = true;
    for (const WebhookEndpointRecord& record : database_.WebhookEndpoints().LoadAll()) {
        auto endpoint = std::make_shared<Endpoint>();
        endpoint->record = record;
        QString error;
        webhook::DecodeSecret(record.secret, endpoint->key, error);
        endpoint->types = record.types.split(u',', Qt::SkipEmptyParts);
        endpoints_[record.id] = endpoint;
    }
    // A time due is kept as the wall clock's; one further off than the longest delay comes
    // from a clock that was set back, and is due after that delay at most.
    const Clock::time_point now = Clock::now();
    const qint64 wall = WallNow();
    const auto longest =
        options_.retryDelays.empty()
            ? std::chrono::milliseconds(0)
            : *std::max_element(options_.retryDelays.begin(), options_.retryDelays.end());
    for (const WebhookDeliveryTable::Queued& queued : database_.WebhookDeliveries().LoadQueued()) {
        const auto it = endpoints_.find(queued.endpointId);
        if (it != endpoints_.end()) {
            const auto wait = std::clamp<std::chrono::milliseconds>(
                std::chrono::seconds(queued.nextAt - wall), std::chrono::milliseconds(0), longest);
            Enqueue(*it->second, queued.id, now + wait);
        }
    }
    lastPrune_ = now - kPruneEvery;
    const qint64 newest = database_.Events().NewestId();
    writer_ = std::thread([this] { WriteJournal(); });
    for (int i = 0; i < std::max(1, options_.workers); ++i) {
        workers_.emplace_back([this] { Deliver(); });
    }
    return newest;
}

void WebhookService::Stop() {
    {
        std::lock_guard lock(journalMutex_);
        journalStop_ = true;
    }
    journalWake_.notify_all();
    if (writer_.joinable()) {
        writer_.join();
    }
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    abort_ = true;
    wake_.notify_all();
    for (std::thread& worker : workers_) {
        worker.join();
    }
    workers_.clear();
}

void WebhookService::Record(JournalEvent event) {
    {
        std::lock_guard lock(journalMutex_);
        if (journalStop_) {
            return;
        }
        if (pending_.size() >= options_.maxPendingEvents) {
            // Told by the writer: this runs on the publishing thread, under the events' lock.
            overflowed_ = true;
            return;
        }
        pending_.push_back(std::move(event));
    }
    journalWake_.notify_one();
}

void WebhookService::SetProxy(const QString& proxy) {
    std::lock_guard lock(mutex_);
    proxy_ = proxy.trimmed().toStdString();
}

QString WebhookService::Body(const JournalEvent& event) const {
    const QString timestamp =
        QDateTime::fromSecsSinceEpoch(event.time, Qt::UTC).toString(Qt::ISODate);
    return QStringLiteral("{\"type\":\"%1\",\"timestamp\":\"%2\",\"id\":%3,\"data\":%4}")
        .arg(event.type, timestamp)
        .arg(event.id)
        .arg(event.data);
}

void WebhookService::WriteJournal() {
    for (;;) {
        std::vector<JournalEvent> events;
        bool overflowed = false;
        {
            std::unique_lock lock(journalMutex_);
            journalWake_.wait(lock, [this] { return journalStop_ || !pending_.empty(); });
            if (pending_.empty()) {
                return; // stopping, and everything written
            }
            // A batch at a time: a burst of events costs one commit.
            while (!pending_.empty() && events.size() < 256) {
                events.push_back(std::move(pending_.front()));
                pending_.pop_front();
            }
            overflowed = std::exchange(overflowed_, false);
            writing_ = events.size();
        }
        if (overflowed) {
            qCWarning(lcWebhooks) << "journal writer behind; events not journaled";
            if (notice_) {
                notice_(QStringLiteral("数据库写入太慢，部分通话事件未能保存，重启后无法补发"));
            }
        }
        std::vector<WebhookDeliveryRecord> deliveries;
        {
            std::lock_guard lock(mutex_);
            for (const JournalEvent& event : events) {
                for (const auto& [id, endpoint] : endpoints_) {
                    if (!endpoint->types.isEmpty() && !endpoint->types.contains(event.type)) {
                        continue;
                    }
                    WebhookDeliveryRecord delivery;
                    delivery.endpointId = id;
                    delivery.eventId = event.id;
                    delivery.eventType = event.type;
                    delivery.messageId = NewMessageId();
                    delivery.body = Body(event);
                    delivery.nextAt = WallNow();
                    delivery.created = delivery.nextAt;
                    deliveries.push_back(std::move(delivery));
                }
            }
        }
        const bool written = database_.Events().Append(events, deliveries);
        {
            std::lock_guard lock(journalMutex_);
            writing_ = 0;
        }
        if (!written) {
            if (!std::exchange(journalFailing_, true) && notice_) {
                notice_(QStringLiteral("通话事件无法写入数据库（%1），事件仍实时推送，但不会保存，"
                                       "Webhook也收不到这些事件")
                            .arg(database_.LastError()));
            }
            continue;
        }
        journalFailing_ = false;
        {
            std::lock_guard lock(mutex_);
            const Clock::time_point now = Clock::now();
            for (const WebhookDeliveryRecord& delivery : deliveries) {
                const auto it = endpoints_.find(delivery.endpointId);
                if (it != endpoints_.end()) {
                    Enqueue(*it->second, delivery.id, now);
                }
            }
        }
        wake_.notify_all();
        if (Clock::now() - lastPrune_ >= kPruneEvery) {
            Prune();
        }
    }
}

void WebhookService::Prune() {
    lastPrune_ = Clock::now();
    const qint64 before = WallNow() - options_.keepEvents.count();
    database_.Events().Prune(before, options_.keepEventCount);
    database_.WebhookDeliveries().Prune(before);
}

void WebhookService::Enqueue(Endpoint& endpoint, qint64 deliveryId, Clock::time_point due) {
    if (endpoint.queue.empty()) {
        endpoint.due = due;
    }
    endpoint.queue.push_back(deliveryId);
    if (endpoint.queue.size() > options_.maxQueued) {
        // The head may be on its way: the oldest behind it go.
        const std::vector<qint64> dropped = database_.WebhookDeliveries().TrimQueue(
            endpoint.record.id, int(options_.maxQueued), WallNow());
        const qint64 head = endpoint.queue.front();
        const bool headBusy = endpoint.busy;
        std::erase_if(endpoint.queue, [&](qint64 id) {
            return !(headBusy && id == head) &&
                   std::find(dropped.begin(), dropped.end(), id) != dropped.end();
        });
    }
}

std::shared_ptr<WebhookService::Endpoint> WebhookService::NextDue(Clock::time_point now,
                                                                  Clock::time_point& wake) {
    std::shared_ptr<Endpoint> next;
    wake = Clock::time_point::max();
    for (const auto& [id, endpoint] : endpoints_) {
        if (endpoint->busy || endpoint->record.paused || endpoint->queue.empty()) {
            continue;
        }
        if (endpoint->due <= now) {
            if (next == nullptr || endpoint->due < next->due) {
                next = endpoint;
            }
        } else {
            wake = std::min(wake, endpoint->due);
        }
    }
    return next;
}

void WebhookService::Deliver() {
    std::unique_lock lock(mutex_);
    while (!stopping_) {
        Clock::time_point wake;
        const std::shared_ptr<Endpoint> endpoint = NextDue(Clock::now(), wake);
        if (endpoint == nullptr) {
            if (wake == Clock::time_point::max()) {
                wake_.wait(lock);
            } else {
                wake_.wait_until(lock, wake);
            }
            continue;
        }
        endpoint->busy = true;
        const qint64 deliveryId = endpoint->queue.front();
        lock.unlock();
        Attempt(endpoint, deliveryId);
        lock.lock();
        endpoint->busy = false;
        wake_.notify_all();
    }
}

void WebhookService::Attempt(const std::shared_ptr<Endpoint>& endpoint, qint64 deliveryId) {
    std::optional<WebhookDeliveryRecord> delivery = database_.WebhookDeliveries().Load(deliveryId);
    WebhookPost post;
    WebhookPostOptions options;
    {
        std::lock_guard lock(mutex_);
        if (!delivery || delivery->state != DeliveryState::Queued) {
            if (!endpoint->queue.empty() && endpoint->queue.front() == deliveryId) {
                endpoint->queue.pop_front();
                endpoint->due = Clock::now();
            }
            return;
        }
        post = {endpoint->record.url.toStdString(), delivery->messageId.toStdString(),
                delivery->body.toStdString(), endpoint->key};
        options.proxy = proxy_;
    }
    options.timeout = options_.timeout;
    options.resolve = options_.resolve;
    options.abort = &abort_;
    const WebhookOutcome outcome = PostWebhook(post, options);
    if (abort_) {
        return; // stopping: the attempt does not count, and the delivery stays queued
    }

    const qint64 wall = WallNow();
    delivery->attempts += 1;
    delivery->status = outcome.status;
    delivery->reply = QString::fromStdString(outcome.text);
    delivery->updated = wall;
    std::chrono::milliseconds delay{0};
    if (outcome.delivered) {
        delivery->state = DeliveryState::Delivered;
    } else if (std::size_t(delivery->attempts) > options_.retryDelays.size()) {
        delivery->state = DeliveryState::Failed;
    } else {
        delay = options_.retryDelays[std::size_t(delivery->attempts) - 1];
        delivery->nextAt = wall + std::chrono::duration_cast<std::chrono::seconds>(delay).count();
    }
    database_.WebhookDeliveries().SaveAttempt(*delivery);
    qCDebug(lcWebhooks) << "delivery" << deliveryId << "to" << endpoint->record.id << "attempt"
                        << delivery->attempts << "status" << outcome.status << outcome.delivered;

    bool pausedNow = false;
    qint64 failingSince = 0;
    {
        std::lock_guard lock(mutex_);
        WebhookEndpointRecord& record = endpoint->record;
        const qint64 before = record.failingSince;
        if (outcome.delivered) {
            record.failingSince = 0;
        } else if (record.failingSince == 0 || record.failingSince > wall) {
            // A clock set back starts the count again rather than never reaching it.
            record.failingSince = wall;
        }
        if (!outcome.delivered && !record.paused &&
            std::chrono::seconds(wall - record.failingSince) >= options_.pauseAfter) {
            record.paused = true;
            pausedNow = true;
        }
        failingSince = record.failingSince;
        if (!endpoint->queue.empty() && endpoint->queue.front() == deliveryId) {
            if (delivery->state != DeliveryState::Queued) {
                endpoint->queue.pop_front();
                endpoint->due = Clock::now();
            } else {
                endpoint->due = Clock::now() + delay;
            }
        }
        if (before != failingSince || pausedNow) {
            database_.WebhookEndpoints().SetState(record.id, record.paused, failingSince);
        }
    }
    if (pausedNow && notice_) {
        notice_(
            QStringLiteral("Webhook %1 已连续失败%2小时，已暂停发送；恢复后会补发所有排队的事件")
                .arg(WebhookUrlForLog(endpoint->record.url))
                .arg(std::chrono::duration_cast<std::chrono::hours>(options_.pauseAfter).count()));
    }
}

QString WebhookService::TypesText(const QStringList& types) {
    return types.join(u',');
}

QString WebhookService::CheckTypes(const QStringList& types) {
    for (const QString& type : types) {
        if (!EventTypes().contains(type)) {
            return QStringLiteral("未知的事件类型：%1").arg(type);
        }
    }
    return {};
}

std::vector<WebhookEndpoint> WebhookService::Endpoints() const {
    std::lock_guard lock(mutex_);
    std::vector<WebhookEndpoint> list;
    for (const auto& [id, endpoint] : endpoints_) {
        list.push_back({id, endpoint->record.url, endpoint->types, endpoint->record.paused,
                        endpoint->record.failingSince, int(endpoint->queue.size())});
    }
    return list;
}

WebhookService::Added WebhookService::AddEndpoint(const QString& url, const QStringList& types) {
    Added added;
    added.error = CheckWebhookUrl(url);
    if (added.error.isEmpty()) {
        added.error = CheckTypes(types);
    }
    if (!added.error.isEmpty()) {
        return added;
    }
    std::lock_guard lock(mutex_);
    if (endpoints_.size() >= std::size_t(kMaxEndpoints)) {
        added.error = QStringLiteral("最多只能添加%1个Webhook").arg(kMaxEndpoints);
        return added;
    }
    auto endpoint = std::make_shared<Endpoint>();
    endpoint->record = {0, url.trimmed(), webhook::NewSecret(), TypesText(types), false,
                        0, WallNow()};
    endpoint->types = types;
    endpoint->record.id = database_.WebhookEndpoints().Add(endpoint->record);
    if (endpoint->record.id == 0) {
        added.error = QStringLiteral("保存Webhook失败：%1").arg(database_.LastError());
        return added;
    }
    QString error;
    webhook::DecodeSecret(endpoint->record.secret, endpoint->key, error);
    endpoints_[endpoint->record.id] = endpoint;
    added.id = endpoint->record.id;
    added.secret = endpoint->record.secret;
    return added;
}

QString WebhookService::UpdateEndpoint(int id, const QString& url, const QStringList& types) {
    QString error = CheckWebhookUrl(url);
    if (error.isEmpty()) {
        error = CheckTypes(types);
    }
    if (!error.isEmpty()) {
        return error;
    }
    std::lock_guard lock(mutex_);
    const auto it = endpoints_.find(id);
    if (it == endpoints_.end()) {
        return QStringLiteral("Webhook不存在");
    }
    if (!database_.WebhookEndpoints().Update(id, url.trimmed(), TypesText(types))) {
        return QStringLiteral("保存Webhook失败：%1").arg(database_.LastError());
    }
    it->second->record.url = url.trimmed();
    it->second->record.types = TypesText(types);
    it->second->types = types;
    return {};
}

bool WebhookService::RemoveEndpoint(int id) {
    std::lock_guard lock(mutex_);
    if (endpoints_.erase(id) == 0) {
        return false;
    }
    return database_.WebhookEndpoints().Delete(id);
}

QString WebhookService::NewSecret(int id) {
    const QString secret = webhook::NewSecret();
    return SetSecret(id, secret).isEmpty() ? secret : QString();
}

QString WebhookService::SetSecret(int id, const QString& secret) {
    QByteArray key;
    QString error;
    if (!webhook::DecodeSecret(secret, key, error)) {
        return error;
    }
    std::lock_guard lock(mutex_);
    const auto it = endpoints_.find(id);
    if (it == endpoints_.end()) {
        return QStringLiteral("Webhook不存在");
    }
    if (!database_.WebhookEndpoints().SetSecret(id, secret.trimmed())) {
        return QStringLiteral("保存密钥失败：%1").arg(database_.LastError());
    }
    it->second->record.secret = secret.trimmed();
    it->second->key = key;
    return {};
}

bool WebhookService::Pause(int id) {
    std::lock_guard lock(mutex_);
    const auto it = endpoints_.find(id);
    if (it == endpoints_.end()) {
        return false;
    }
    it->second->record.paused = true;
    return database_.WebhookEndpoints().SetState(id, true, it->second->record.failingSince);
}

bool WebhookService::Resume(int id) {
    {
        std::lock_guard lock(mutex_);
        const auto it = endpoints_.find(id);
        if (it == endpoints_.end()) {
            return false;
        }
        Endpoint& endpoint = *it->second;
        endpoint.record.paused = false;
        endpoint.record.failingSince = 0;
        endpoint.due = Clock::now();
        if (!database_.WebhookEndpoints().SetState(id, false, 0)) {
            return false;
        }
    }
    wake_.notify_all();
    return true;
}

std::vector<WebhookDeliveryRecord> WebhookService::DeliveryLog(int id, int limit) {
    return database_.WebhookDeliveries().Log(id, limit);
}

bool WebhookService::Redeliver(qint64 deliveryId) {
    const std::optional<WebhookDeliveryRecord> delivery =
        database_.WebhookDeliveries().Load(deliveryId);
    if (!delivery) {
        return false;
    }
    {
        std::lock_guard lock(mutex_);
        const auto it = endpoints_.find(delivery->endpointId);
        if (it == endpoints_.end()) {
            return false;
        }
        const qint64 copy = database_.WebhookDeliveries().Requeue(deliveryId, WallNow());
        if (copy == 0) {
            return false;
        }
        Enqueue(*it->second, copy, Clock::now());
    }
    wake_.notify_all();
    return true;
}

std::size_t WebhookService::QueuedDeliveries() const {
    std::lock_guard lock(mutex_);
    std::size_t count = 0;
    for (const auto& [id, endpoint] : endpoints_) {
        count += endpoint->queue.size();
    }
    return count;
}

std::size_t WebhookService::PendingEvents() const {
    std::lock_guard lock(journalMutex_);
    return pending_.size() + writing_;
}

} // namespace tamberlink
