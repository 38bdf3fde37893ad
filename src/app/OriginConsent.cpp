#include "app/OriginConsent.h"

#include "store/LocalDatabase.h"

#include <algorithm>

namespace tamberlink {

OriginConsent::OriginConsent(LocalDatabase& database, AskUser askUser, Revoked revoked)
    : database_(database)
    , askUser_(std::move(askUser))
    , revoked_(std::move(revoked)) {}

void OriginConsent::Load() {
    Reload();
}

void OriginConsent::Reload() {
    std::vector<OriginRecord> origins = database_.LoadOrigins();
    std::lock_guard lock(mutex_);
    origins_ = std::move(origins);
}

void OriginConsent::Ask(const std::string& origin, ApiPurpose purpose,
                        std::function<void(bool)> answer) {
    const QString name = QString::fromStdString(origin);
    {
        std::unique_lock lock(mutex_);
        const auto stored = std::find_if(origins_.begin(), origins_.end(),
                                         [&](const OriginRecord& r) { return r.origin == name; });
        if (stored != origins_.end()) {
            const bool allowed = stored->allowed;
            lock.unlock();
            answer(allowed);
            return;
        }
        if (const auto open = open_.find(origin); open != open_.end()) {
            if (open->second.size() >= kMaxWaiting) {
                lock.unlock();
                answer(false);
                return;
            }
            open->second.push_back(std::move(answer));
            return;
        }
        if (open_.size() >= kMaxOpenQuestions) {
            lock.unlock();
            answer(false);
            return;
        }
        open_[origin].push_back(std::move(answer));
    }
    if (!askUser_(name, purpose)) {
        Dismiss(name);
    }
}

OriginConsent::Waiters OriginConsent::Close(const std::string& origin) {
    std::lock_guard lock(mutex_);
    const auto open = open_.find(origin);
    if (open == open_.end()) {
        return {};
    }
    Waiters waiters = std::move(open->second);
    open_.erase(open);
    return waiters;
}

void OriginConsent::Answer(const QString& origin, bool allowed) {
    database_.SaveOrigin(origin, allowed);
    Reload();
    for (const auto& waiter : Close(origin.toStdString())) {
        waiter(allowed);
    }
}

void OriginConsent::Dismiss(const QString& origin) {
    for (const auto& waiter : Close(origin.toStdString())) {
        waiter(false);
    }
}

std::vector<OriginRecord> OriginConsent::Origins() const {
    std::lock_guard lock(mutex_);
    return origins_;
}

void OriginConsent::SetAllowed(const std::vector<int>& ids, bool allowed) {
    std::vector<OriginRecord> changed;
    for (const OriginRecord& record : Origins()) {
        if (std::find(ids.begin(), ids.end(), record.id) != ids.end()) {
            database_.SaveOrigin(record.origin, allowed);
            changed.push_back(record);
        }
    }
    Reload();
    if (!allowed) {
        for (const OriginRecord& record : changed) {
            revoked_(record.origin);
        }
    }
}

void OriginConsent::Remove(const std::vector<int>& ids) {
    const std::vector<OriginRecord> before = Origins();
    database_.DeleteOrigins(ids);
    Reload();
    for (const OriginRecord& record : before) {
        if (std::find(ids.begin(), ids.end(), record.id) != ids.end()) {
            revoked_(record.origin);
        }
    }
}

} // namespace tamberlink
