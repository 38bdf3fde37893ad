#include "app/OriginConsent.h"

#include "localapi/RequestOrigin.h"
#include "store/LocalDatabase.h"

#include <algorithm>

namespace tamberlink {
namespace {

// The stored answers are kept by OriginRecord's uses, in the order of ApiPurpose.
static_assert(int(ApiPurpose::Dial) == OriginRecord::kDial &&
              int(ApiPurpose::SendSms) == OriginRecord::kSms &&
              int(ApiPurpose::Record) == OriginRecord::kRecord &&
              int(ApiPurpose::FollowCalls) == OriginRecord::kEvents);

int UseOf(ApiPurpose purpose) {
    return static_cast<int>(purpose);
}

bool MayFollowCalls(const OriginRecord& record) {
    return record.answers[OriginRecord::kEvents].value_or(false);
}

} // namespace

OriginConsent::OriginConsent(LocalDatabase& database, Hooks hooks)
    : database_(database)
    , hooks_(std::move(hooks)) {}

void OriginConsent::Load() {
    std::vector<OriginRecord> origins = database_.Origins().Load();
    std::lock_guard lock(mutex_);
    origins_ = std::move(origins);
}

void OriginConsent::Reload() {
    Load();
    if (hooks_.changed) {
        hooks_.changed();
    }
}

std::optional<bool> OriginConsent::StoredLocked(const QString& origin, ApiPurpose purpose) const {
    const auto stored = std::find_if(origins_.begin(), origins_.end(),
                                     [&](const OriginRecord& r) { return r.origin == origin; });
    return stored != origins_.end() ? stored->answers[UseOf(purpose)] : std::nullopt;
}

std::uint64_t OriginConsent::Ask(const std::string& origin, ApiPurpose purpose,
                                 std::function<void(bool)> answer) {
    const QString name = QString::fromStdString(origin);
    const std::string siteName = SiteOfOrigin(origin);
    std::optional<bool> decided;
    std::uint64_t ticket = 0;
    std::optional<Question> show;
    {
        std::lock_guard lock(mutex_);
        decided = StoredLocked(name, purpose);
        const auto found = sites_.find(siteName);
        const bool asking = found != sites_.end() && !found->second.questions.empty();
        if (!decided && found != sites_.end() && Clock::now() < found->second.refusedUntil) {
            decided = false;
        }
        if (!decided && !asking) {
            std::size_t sitesAsking = 0;
            for (const auto& [key, site] : sites_) {
                sitesAsking += site.questions.empty() ? 0 : 1;
            }
            if (sitesAsking >= kMaxSitesAsking) {
                decided = false;
            }
        }
        if (!decided) {
            Site& site = sites_[siteName];
            const auto same =
                std::find_if(site.questions.begin(), site.questions.end(), [&](const Pending& p) {
                    return p.question.origin == name && p.question.purpose == purpose;
                });
            if (site.waiting >= kMaxWaitingPerSite ||
                (same == site.questions.end() && site.questions.size() >= kMaxQuestionsPerSite)) {
                decided = false;
            } else {
                ticket = nextId_++;
                Pending* pending = same != site.questions.end() ? &*same : nullptr;
                if (pending == nullptr) {
                    pending = &site.questions.emplace_back(Pending{{nextId_++, name, purpose}, {}});
                }
                pending->waiters.push_back({ticket, std::move(answer)});
                ++site.waiting;
                if (shown_ == 0) {
                    show = NextLocked();
                }
            }
        }
    }
    if (decided) {
        answer(*decided);
        return 0;
    }
    Show(std::move(show));
    return ticket;
}

// The site after the one shown last that has a question waiting, in turn.
std::optional<OriginConsent::Question> OriginConsent::NextLocked() {
    auto start = sites_.upper_bound(lastSite_);
    for (std::size_t i = 0; i < sites_.size(); ++i, ++start) {
        if (start == sites_.end()) {
            start = sites_.begin();
        }
        if (!start->second.questions.empty()) {
            lastSite_ = start->first;
            shown_ = start->second.questions.front().question.id;
            return start->second.questions.front().question;
        }
    }
    return std::nullopt;
}

std::optional<OriginConsent::Settled> OriginConsent::TakeLocked(std::uint64_t id, bool unanswered) {
    for (auto it = sites_.begin(); it != sites_.end(); ++it) {
        Site& site = it->second;
        const auto pending = std::find_if(site.questions.begin(), site.questions.end(),
                                          [id](const Pending& p) { return p.question.id == id; });
        if (pending == site.questions.end()) {
            continue;
        }
        Settled settled{pending->question, std::move(pending->waiters), id == shown_, {}};
        site.waiting -= settled.waiters.size();
        site.questions.erase(pending);
        if (unanswered && settled.wasShown) {
            const Clock::time_point now = Clock::now();
            site.unanswered.push_back(now);
            while (site.unanswered.front() + kCoolDown < now) {
                site.unanswered.pop_front();
            }
            if (site.unanswered.size() >= std::size_t(kUnansweredLimit)) {
                // The site's other questions go with it: none of them is shown.
                site.refusedUntil = now + kCoolDown;
                site.unanswered.clear();
                for (Pending& other : site.questions) {
                    std::move(other.waiters.begin(), other.waiters.end(),
                              std::back_inserter(settled.waiters));
                }
                site.questions.clear();
                site.waiting = 0;
            }
        }
        if (site.questions.empty() && site.unanswered.empty() &&
            Clock::now() >= site.refusedUntil) {
            sites_.erase(it);
        }
        if (settled.wasShown) {
            shown_ = 0;
            settled.next = NextLocked();
        }
        return settled;
    }
    return std::nullopt;
}

void OriginConsent::Show(std::optional<Question> question) {
    while (question) {
        if (hooks_.ask && hooks_.ask(*question)) {
            return;
        }
        std::optional<Settled> settled;
        {
            std::lock_guard lock(mutex_);
            settled = TakeLocked(question->id, false);
        }
        if (!settled) {
            return;
        }
        for (const Waiter& waiter : settled->waiters) {
            waiter.answer(false);
        }
        question = settled->next;
    }
}

void OriginConsent::Withdraw(std::uint64_t ticket) {
    std::optional<Settled> settled;
    {
        std::lock_guard lock(mutex_);
        std::uint64_t emptied = 0;
        bool found = false;
        for (auto site = sites_.begin(); site != sites_.end() && !found; ++site) {
            for (Pending& pending : site->second.questions) {
                const auto waiter =
                    std::find_if(pending.waiters.begin(), pending.waiters.end(),
                                 [ticket](const Waiter& w) { return w.ticket == ticket; });
                if (waiter != pending.waiters.end()) {
                    pending.waiters.erase(waiter);
                    --site->second.waiting;
                    emptied = pending.waiters.empty() ? pending.question.id : 0;
                    found = true;
                    break;
                }
            }
        }
        if (emptied != 0) {
            settled = TakeLocked(emptied, true);
        }
    }
    if (!settled) {
        return;
    }
    // Anyone still listed was refused along with the site.
    for (const Waiter& waiter : settled->waiters) {
        waiter.answer(false);
    }
    if (settled->wasShown && hooks_.close) {
        hooks_.close(settled->question.id);
    }
    Show(settled->next);
}

void OriginConsent::Answer(std::uint64_t question, bool allowed) {
    std::optional<Settled> settled;
    {
        std::lock_guard lock(mutex_);
        if (question == shown_) {
            settled = TakeLocked(question, false);
        }
    }
    if (!settled) {
        return;
    }
    database_.Origins().SaveAnswer(settled->question.origin, UseOf(settled->question.purpose),
                                   allowed);
    Reload();
    for (const Waiter& waiter : settled->waiters) {
        waiter.answer(allowed);
    }
    Show(settled->next);
}

void OriginConsent::Dismiss(std::uint64_t question) {
    std::optional<Settled> settled;
    {
        std::lock_guard lock(mutex_);
        settled = TakeLocked(question, true);
    }
    if (!settled) {
        return;
    }
    for (const Waiter& waiter : settled->waiters) {
        waiter.answer(false);
    }
    Show(settled->next);
}

std::vector<OriginRecord> OriginConsent::Origins() const {
    std::lock_guard lock(mutex_);
    return origins_;
}

void OriginConsent::SetAllowed(const std::vector<int>& ids, bool allowed) {
    const std::vector<OriginRecord> before = Origins();
    database_.Origins().SetAnswers(ids, std::nullopt, allowed);
    Reload();
    RevokeLost(before);
}

void OriginConsent::SetAllowed(int id, ApiPurpose purpose, bool allowed) {
    const std::vector<OriginRecord> before = Origins();
    database_.Origins().SetAnswers({id}, UseOf(purpose), allowed);
    Reload();
    RevokeLost(before);
}

void OriginConsent::Remove(const std::vector<int>& ids) {
    const std::vector<OriginRecord> before = Origins();
    database_.Origins().Delete(ids);
    Reload();
    RevokeLost(before);
}

void OriginConsent::RevokeLost(const std::vector<OriginRecord>& before) {
    const std::vector<OriginRecord> after = Origins();
    for (const OriginRecord& old : before) {
        const auto now = std::find_if(after.begin(), after.end(),
                                      [&](const OriginRecord& r) { return r.id == old.id; });
        if (MayFollowCalls(old) && (now == after.end() || !MayFollowCalls(*now)) &&
            hooks_.revoked) {
            hooks_.revoked(old.origin);
        }
    }
}

} // namespace tamberlink
