#pragma once

#include "store/NuisanceRecord.h"

#include <vector>

namespace tamberlink {

class StoreConnection;

// table_nuisance_rule: the rules that label, silence or reject callers, one per kind and
// number. A file's rules are imported through a staging table, so that a read that fails
// halfway leaves the rules as they were.
class NuisanceRuleTable {
public:
    explicit NuisanceRuleTable(StoreConnection& connection)
        : connection_(connection) {}

    // By id. With `counts`, each rule's hits (in all and since `todayStart`, in seconds since
    // the epoch) and last hit, counted from the blocked-call log.
    std::vector<NuisanceRule> Load(bool counts, qint64 todayStart = 0);
    // The id of the rule with this kind, number and length; 0 when there is none.
    int Find(const NuisanceRule& rule);
    // The new rule's id; 0 when the insert failed (an equal rule exists).
    int Add(const NuisanceRule& rule);
    // Kind, number, length, label and action of the rule `rule.id`.
    bool Update(const NuisanceRule& rule);
    bool Delete(const std::vector<int>& ids);

    // An import: Begin empties the staging table, each batch goes in with one transaction
    // (the connection is free in between), and Finish moves the staged rules in, a rule equal
    // to one already there taking over its label and action. Finish moves a few thousand
    // rules per transaction, so that no writer on another connection waits long; `moved`
    // counts the rules it added or changed. False when a move failed: the rules moved before
    // it stay, the rest are dropped. A move repeated later changes nothing twice.
    bool BeginImport();
    bool StageImport(const std::vector<NuisanceRule>& rules);
    bool FinishImport(int& moved);
    void AbandonImport();

private:
    StoreConnection& connection_;
};

} // namespace tamberlink
