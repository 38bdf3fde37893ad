#pragma once

#include <QString>

namespace tamberlink {

// How a nuisance rule recognises a caller.
enum class NuisanceKind {
    Exact = 0,        // the whole number
    Prefix = 1,       // every number that starts with `number`
    LengthPrefix = 2, // numbers of exactly `length` digits that start with `number`
    Pattern = 3,      // `number` with `*` (any digits, none too) and `?` (one digit)
    Withheld = 4,     // a caller that sent no number
};

// What happens to a call a rule matched. Stored as these numbers.
enum class NuisanceAction {
    LabelOnly = 0, // the popup and the call log show the label; the phone rings
    Silent = 1,    // no popup, no ring; logged
    Reject = 2,    // the box hangs up at once; logged
};

// One rule of table_nuisance_rule. `number` holds digits only for Exact, Prefix and
// LengthPrefix, digits and wildcards for Pattern, nothing for Withheld: always in the form
// the matcher compares, never as typed.
struct NuisanceRule {
    int id = 0;
    NuisanceKind kind = NuisanceKind::Exact;
    QString number;
    int length = 0; // LengthPrefix only
    QString label;  // "推销", "诈骗", or the user's own text
    NuisanceAction action = NuisanceAction::LabelOnly;
    qint64 created = 0; // seconds since the epoch
    // From the blocked-call log when the rules were read with their counts.
    int hits = 0;
    int hitsToday = 0;
    qint64 lastHit = 0; // 0: never
};

// A number (or a prefix or pattern, in a rule's text) whose calls are never stopped.
struct NuisanceWhitelistEntry {
    int id = 0;
    QString number; // the rule text of the entry: "13800000000", "400*"
    QString note;
    qint64 created = 0;
};

// One call a rule acted on: its time, the caller, the rule as it was then, and a note of
// anything that went wrong ("挂断指令未能发出").
struct NuisanceLogRecord {
    int id = 0;
    qint64 time = 0;
    QString number;
    int ruleId = 0;
    QString ruleText; // "400*"
    QString label;
    NuisanceAction action = NuisanceAction::LabelOnly;
    QString note;
};

// The calls a rule matched, today and in all.
struct NuisanceRuleCount {
    int ruleId = 0;
    int today = 0;
    int all = 0;
    qint64 lastHit = 0;
};

// The calls stopped (silenced or rejected) and the calls labelled, today and in all.
struct NuisanceTotals {
    int blockedToday = 0;
    int blockedAll = 0;
    int labelledToday = 0;
    int labelledAll = 0;
};

} // namespace tamberlink
