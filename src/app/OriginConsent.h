#pragma once

#include "localapi/ApiHost.h"
#include "store/OriginRecord.h"

#include <QString>

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace tamberlink {

class LocalDatabase;

// Which web pages may use the local API, and for what: the user's answers by origin and by
// purpose (dialling, SMS, recording, following the calls), kept in the database and editable
// in the settings, and the questions the user has not answered yet.
//
// The user sees one question at a time, so that no page can hide another's question under
// its own, and the waiting questions take turns by site, so that a site with many names
// cannot push the others back. A question stays open while a request waits for its answer
// and closes when the last one stops waiting; a site whose questions were left unanswered
// kUnansweredLimit times within kCoolDown is refused without a question for kCoolDown.
// Every operation may be called from any thread; the hooks are never called under a lock.
class OriginConsent {
public:
    // Questions one site may have waiting, and requests waiting for them; more are refused
    // at once.
    static constexpr std::size_t kMaxQuestionsPerSite = 4;
    static constexpr std::size_t kMaxWaitingPerSite = 64;
    // Sites that may have questions waiting at once.
    static constexpr std::size_t kMaxSitesAsking = 32;
    static constexpr int kUnansweredLimit = 3;
    static constexpr std::chrono::minutes kCoolDown{10};

    struct Question {
        std::uint64_t id = 0;
        QString origin;
        ApiPurpose purpose = ApiPurpose::Dial;
    };

    struct Hooks {
        // Shows the question to the user; false when nobody can be asked.
        std::function<bool(const Question&)> ask;
        // Takes the question off the screen: nobody waits for its answer any more.
        std::function<void(std::uint64_t question)> close;
        // The pages of the origin may no longer follow the calls: their streams are to end.
        std::function<void(const QString& origin)> revoked;
        // The stored answers changed.
        std::function<void()> changed;
    };

    OriginConsent(LocalDatabase& database, Hooks hooks);

    // Reads the stored answers; call once the database is open.
    void Load();

    // `answer` gets the stored answer or a refusal at once, returning 0, or else the user's
    // answer once given, returning a ticket for Withdraw.
    std::uint64_t Ask(const std::string& origin, ApiPurpose purpose,
                      std::function<void(bool)> answer);
    // The request of `ticket` waits no longer; `answer` is not called.
    void Withdraw(std::uint64_t ticket);
    // The user answered the question on screen: remembered for its origin and purpose, and
    // the waiting requests go on. An answer to a question already closed does nothing.
    void Answer(std::uint64_t question, bool allowed);
    // The user closed the question unanswered: the waiting requests are refused, and the
    // page will be asked again.
    void Dismiss(std::uint64_t question);

    // The stored answers, by origin.
    std::vector<OriginRecord> Origins() const;
    // Sets the answer of the records `ids` for every purpose, or of the record `id` for one.
    void SetAllowed(const std::vector<int>& ids, bool allowed);
    void SetAllowed(int id, ApiPurpose purpose, bool allowed);
    // Forgets the records `ids`: their pages are asked again.
    void Remove(const std::vector<int>& ids);

private:
    using Clock = std::chrono::steady_clock;
    struct Waiter {
        std::uint64_t ticket = 0;
        std::function<void(bool)> answer;
    };
    struct Pending {
        Question question;
        std::vector<Waiter> waiters;
    };
    struct Site {
        std::deque<Pending> questions;
        std::size_t waiting = 0;
        std::deque<Clock::time_point> unanswered;
        Clock::time_point refusedUntil{};
    };
    // A question taken off the list, with whoever waited for it and the question to show
    // next, when it was the one on screen.
    struct Settled {
        Question question;
        std::vector<Waiter> waiters;
        bool wasShown = false;
        std::optional<Question> next;
    };

    std::optional<bool> StoredLocked(const QString& origin, ApiPurpose purpose) const;
    std::optional<Question> NextLocked();
    // Takes the question `id` off the list; `unanswered` counts it against its site when it
    // was on screen.
    std::optional<Settled> TakeLocked(std::uint64_t id, bool unanswered);
    void Show(std::optional<Question> question);
    // Reads the stored answers again after a change, and tells of it.
    void Reload();
    // Ends the event streams of the records whose pages may no longer follow the calls.
    void RevokeLost(const std::vector<OriginRecord>& before);

    LocalDatabase& database_;
    const Hooks hooks_;
    mutable std::mutex mutex_;
    std::vector<OriginRecord> origins_;
    std::map<std::string, Site> sites_;
    std::uint64_t shown_ = 0;
    std::string lastSite_;
    std::uint64_t nextId_ = 1;
};

} // namespace tamberlink
