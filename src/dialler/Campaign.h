#pragma once

#include "calllist/TempContact.h"

#include <QByteArray>
#include <QJsonObject>
#include <QString>

#include <cstdint>
#include <optional>
#include <set>
#include <vector>

namespace tamberlink {

// The outcomes a campaign gives, as the call list's statuses.
enum class DialOutcome { Contacted = 1, NoAnswer = 2, CallBack = 3, DoNotCall = 4 };

struct CampaignOptions {
    bool throughPhone = false;
    int wrapUpSeconds = 10; // 0 to 60, between a hang-up and the next dial
    int recallMinutes = 30; // a 未接通 comes back after this
    int maxAttempts = 3;    // and is tried at most this often
    bool dialDuplicates = false;
    // Only these sheet rows; empty: every row not finished (未联系 or 未接通).
    std::vector<int> rows;
};

// One row of the campaign.
struct CampaignEntry {
    enum class State { Waiting, Done, Skipped };
    int row = 0;
    QString name{};
    QString number{};
    State state = State::Waiting;
    int attempts = 0;
    std::int64_t dueAt = 0; // seconds since 1970: a recall waits until then
    int outcome = 0;        // the last outcome given
    QString reason{};       // why it was skipped
};

// The counts the panel shows.
struct CampaignProgress {
    int total = 0;
    int done = 0; // finished or skipped
    int perOutcome[5] = {0, 0, 0, 0, 0};
    int skipped = 0;
    int doNotCall = 0;
    int calls = 0;
    std::int64_t elapsedSeconds = 0;
    int CallsPerHour() const {
        return elapsedSeconds > 0 ? int(std::int64_t(calls) * 3600 / elapsedSeconds) : 0;
    }
};

// The rows of a campaign and what became of them, without the telephone, the workbook or the
// clock: who is next, the recall rules, and the state written after every change. Recalls
// keep their place in row order and come back once their time is due.
class Campaign {
public:
    Campaign() = default;
    Campaign(const std::vector<TempContact>& items, CampaignOptions options);

    const CampaignOptions& Options() const { return options_; }
    const std::vector<CampaignEntry>& Entries() const { return entries_; }
    // The entry's saved text is written again at the next save.
    CampaignEntry& Entry(int index);

    // The first waiting entry due at `now`, or -1.
    int NextDue(std::int64_t now) const;
    // The earliest time a waiting entry falls due, when none is due at `now`.
    std::optional<std::int64_t> NextDueTime() const;
    // The waiting entry after `index` in row order, for "what comes next"; -1 for none.
    int Following(int index) const;
    bool Finished() const;

    // The recall rules: a 未接通 waits `recallMinutes` while it has attempts left.
    void Record(int index, DialOutcome outcome, std::int64_t now);
    void Skip(int index, const QString& reason);

    CampaignProgress Progress() const;
    void CountCall() { ++calls_; }
    // Time spent on the campaign, not counting pauses and the time the program was off.
    void AddElapsed(std::int64_t seconds) { elapsed_ += seconds; }

    // The whole campaign as compact JSON, with `extraElapsed` seconds added. Each entry's
    // text is kept until the entry changes, so a save of a long list copies text rather than
    // building a document.
    QByteArray ToJsonText(std::int64_t extraElapsed = 0) const;
    // The counts and the entries changed since MarkSaved(), for ApplyChanges() on the
    // campaign FromJson() reads back from ToJsonText() as it was then.
    QJsonObject ChangesToJson(std::int64_t extraElapsed = 0) const;
    std::size_t ChangedCount() const { return changed_.size(); }
    void MarkSaved() { changed_.clear(); }
    void ApplyChanges(const QJsonObject& changes);
    static Campaign FromJson(const QJsonObject& json);
    static QJsonObject EntryToJson(const CampaignEntry& entry);
    static CampaignEntry EntryFromJson(const QJsonObject& json);

private:
    CampaignOptions options_;
    std::vector<CampaignEntry> entries_;
    int calls_ = 0;
    std::int64_t elapsed_ = 0;
    mutable std::vector<QByteArray> entryText_; // empty where the entry has changed
    std::set<int> changed_;                     // since MarkSaved()
};

} // namespace tamberlink
