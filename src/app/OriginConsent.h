#pragma once

#include "localapi/ApiHost.h"
#include "store/OriginRecord.h"

#include <QString>

#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace tamberlink {

class LocalDatabase;

// Which web pages may use the local API: the user's answers by origin, kept in the database
// and editable in the settings, and the questions the user has not answered yet. A request
// from a page the user has not answered for waits until they do; requests from the same page
// meanwhile wait for the same answer. Every operation may be called from any thread.
class OriginConsent {
public:
    // Questions open at once; a page asking beyond that is refused without a question.
    static constexpr std::size_t kMaxOpenQuestions = 8;
    // Requests waiting for one answer; more are refused at once.
    static constexpr std::size_t kMaxWaiting = 64;

    // Puts the question to the user (a prompt); false when nobody can be asked.
    using AskUser = std::function<bool(const QString& origin, ApiPurpose purpose)>;
    // An origin's pages may no longer use the API: what they hold open is to end.
    using Revoked = std::function<void(const QString& origin)>;

    OriginConsent(LocalDatabase& database, AskUser askUser, Revoked revoked);

    // Reads the stored answers; call once the database is open.
    void Load();

    // `answer` gets the stored answer at once, or the user's once given. Refused at once
    // when nobody can be asked, or too many questions or requests wait.
    void Ask(const std::string& origin, ApiPurpose purpose, std::function<void(bool)> answer);
    // The user answered the question for `origin`: remembered, and the waiting requests go on.
    void Answer(const QString& origin, bool allowed);
    // The user closed the question unanswered: the waiting requests are refused, and the
    // page will be asked about again.
    void Dismiss(const QString& origin);

    // The stored answers, by origin.
    std::vector<OriginRecord> Origins() const;
    // Changes or forgets the answers of the records `ids`; an origin no longer allowed loses
    // what its pages hold open.
    void SetAllowed(const std::vector<int>& ids, bool allowed);
    void Remove(const std::vector<int>& ids);

private:
    using Waiters = std::vector<std::function<void(bool)>>;

    // Ends the question for `origin`, handing back whoever waited.
    Waiters Close(const std::string& origin);
    void Reload();

    LocalDatabase& database_;
    const AskUser askUser_;
    const Revoked revoked_;
    mutable std::mutex mutex_;
    std::vector<OriginRecord> origins_;
    std::map<std::string, Waiters> open_;
};

} // namespace tamberlink
