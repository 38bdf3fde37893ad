#pragma once

#include "nuisance/NuisanceFile.h"
#include "nuisance/NuisanceRules.h"
#include "store/NuisanceRecord.h"

#include <QString>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace tamberlink {

class LocalDatabase;

// The outcome of adding or changing a rule or a whitelist entry: the row's id, or 0 with the
// reason in words the user reads.
struct NuisanceEdit {
    int id = 0;
    QString error;
    bool Ok() const { return id > 0; }
};

// The nuisance-call rules of the user's database: editing them, their files, the decision
// for a caller, and the log of the calls they acted on. Every change is written to the
// database first and then compiled into a new set of rules, which replaces the old one at
// once; a decision under way finishes with the set it began with. Decide and Explain may be
// called from any thread, and so may the rest (each a database operation or two), but
// Import, which takes seconds for a large file, belongs on a worker thread.
class NuisanceService {
public:
    explicit NuisanceService(LocalDatabase& database);

    // Reads the rules, the whitelist and the contacts switch; call once the database is open
    // and up to date. Until then no call is stopped.
    void Load();
    // Told, on the thread that made the change, whenever the rules, the whitelist or the
    // contacts switch changed; set once, before the service is used.
    void SetChangedListener(std::function<void()> changed) { changed_ = std::move(changed); }

    // What the rules decide for a caller as the box reports it ("" for a withheld one).
    NuisanceVerdict Decide(const QString& number,
                           const NuisanceRules::ContactCheck& isContact) const;
    // Every rule and whitelist entry that matches the number, the deciding one first.
    NuisanceExplanation Explain(const QString& number) const;
    // The compiled set in use.
    std::shared_ptr<const NuisanceRules> Current() const;

    // Whether a contact's number rings whatever the rules say (on unless the user turns it
    // off).
    bool ContactsWin() const { return contactsWin_; }
    bool SetContactsWin(bool on);

    // The rules, by id, each with its hits (today and in all) and last hit counted from the
    // log; the second reads through another connection (a reader thread's).
    std::vector<NuisanceRule> LoadRules();
    static std::vector<NuisanceRule> LoadRules(LocalDatabase& from);
    // A rule read from `text` (see ParseNuisanceRule), refused when it is invalid or there is
    // an equal one already.
    NuisanceEdit AddRule(const QString& text, const QString& label, NuisanceAction action);
    NuisanceEdit UpdateRule(int id, const QString& text, const QString& label,
                            NuisanceAction action);
    bool RemoveRules(const std::vector<int>& ids);

    std::vector<NuisanceWhitelistEntry> LoadWhitelist();
    // "Not a nuisance": the number (or a prefix or pattern) rings whatever the rules say.
    NuisanceEdit AddToWhitelist(const QString& number, const QString& note = QString());
    bool RemoveFromWhitelist(const std::vector<int>& ids);
    // "Block this number": an exact rule for the number (an existing one takes the label and
    // action), and the number leaves the whitelist, which would otherwise win.
    NuisanceEdit BlockNumber(const QString& number, const QString& label,
                             NuisanceAction action = NuisanceAction::Reject);

    // Adds or updates the rules of a file (see ReadNuisanceFile): all of them, or, when the
    // file cannot be read to its end or `cancel` turns true, none. Should the database refuse
    // a write once the whole file is read, the report says how many rules were stored; the
    // same import again stores the rest. Runs on the calling
    // thread for as long as the file takes; `progress` is called there too. It writes
    // through a connection of its own, so the database's other users read on meanwhile and
    // decisions use the old rules until the new ones are in. One import at a time: a second
    // one meanwhile is refused.
    NuisanceImportReport Import(const QString& path, const NuisanceProgress& progress = {},
                                const std::atomic<bool>* cancel = nullptr);
    // Writes every rule to `path` at once (the file holds the old contents or the new). False
    // with `error` set when it cannot be written. May run on a worker, as Import.
    bool Export(const QString& path, QString* error = nullptr);

    // Logs a call the rules acted on; `note` tells what went wrong, if anything. The log
    // row's id, 0 when it could not be written.
    int LogCall(const QString& number, const NuisanceRule& rule, const QString& note = QString());
    // Newest first.
    std::vector<NuisanceLogRecord> LoadLog(int limit, int offset = 0);
    bool DeleteLog(const std::vector<int>& ids);
    // Counted since local midnight and in all.
    std::vector<NuisanceRuleCount> CountsByRule();
    NuisanceTotals Totals();

private:
    // Reads the rules and the whitelist again, through `from` (the service's database by
    // default), and puts the new set in use.
    void Recompile();
    // Compiles the rules anew after an edit and passes the edit's result on.
    template <class Result>
    Result Recompiled(Result result) {
        Recompile();
        return result;
    }
    void Recompile(LocalDatabase& from);

    LocalDatabase& database_;
    // One compilation at a time, so that the set in use is never older than the last write.
    std::mutex compileMutex_;
    mutable std::mutex currentMutex_;
    std::shared_ptr<const NuisanceRules> current_;
    std::atomic<bool> contactsWin_{true};
    std::atomic<bool> importing_{false};
    std::function<void()> changed_;
};

} // namespace tamberlink
