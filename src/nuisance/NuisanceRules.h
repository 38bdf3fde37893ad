#pragma once

#include "store/NuisanceRecord.h"

#include <QString>

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace tamberlink {

// The longest number or pattern a rule may hold, in digits.
inline constexpr int kMaxRuleDigits = 32;

// A caller as the rules compare it: the digits that are left once blanks, dashes, brackets and
// dots, the country code (+86 or 0086) and the trunk "0" before a mobile number are gone.
// Empty for a withheld caller; nullopt when something else than digits is left.
std::optional<std::string> NormalizeCallerNumber(const QString& number);

// Reads a rule as people write it and as files hold it: "13800000000" an exact number,
// "400*" a prefix, "95??????" a prefix with the number's length, "1?8*5" a pattern, "无号码"
// (or "withheld") a caller without a number. Blanks, dashes and brackets and the country code
// go as for a caller. The kind, number and length are set; the rest of `rule` is kept. False
// with `error` set, in words the user reads, when the text cannot be a rule: empty, more than
// 32 digits, a pattern without one digit (it would stop every call), other characters.
bool ParseNuisanceRule(const QString& text, NuisanceRule& rule, QString* error);
// Trims a rule's label; false with `error` set when it is longer than 64 characters or holds
// a control character (a line break, a tab).
bool CheckNuisanceLabel(QString& label, QString* error);
// The text ParseNuisanceRule reads back as the same rule.
QString NuisanceRuleText(const NuisanceRule& rule);
// "推销 400*": the label and the rule, as the popup and the call log show them.
QString NuisanceRuleCaption(const NuisanceRule& rule);

// The words for the actions, as the settings window and the rule files show them.
QString NuisanceActionName(NuisanceAction action);
// Reads an action from a file: the names above, and "label", "silent", "reject" in any case.
std::optional<NuisanceAction> ParseNuisanceAction(const QString& text);

// What the rules decided for one caller.
struct NuisanceVerdict {
    enum class Reason {
        NoRule,      // no rule matched
        Whitelisted, // a rule matched but a whitelist entry lets the caller through
        Contact,     // a rule matched but the caller is one of the user's contacts
        Rule,        // `rule` acts on the call
    };
    Reason reason = Reason::NoRule;
    // The rule that matched, whether or not it acts.
    std::optional<NuisanceRule> rule;
    // The whitelist entry that let the call through.
    std::optional<NuisanceWhitelistEntry> whitelisted;

    bool Acts() const { return reason == Reason::Rule; }
    // No popup and no ring: silenced or rejected.
    bool Stops() const { return Acts() && rule->action != NuisanceAction::LabelOnly; }
    bool Rejects() const { return Acts() && rule->action == NuisanceAction::Reject; }
    // The caption of the rule that acts; empty when none does.
    QString Caption() const { return Acts() ? NuisanceRuleCaption(*rule) : QString(); }
};

// Every rule and whitelist entry that matches one caller, the one that decides first, so
// that a window can say why and which others overlapped.
struct NuisanceExplanation {
    std::vector<NuisanceRule> rules;
    std::vector<NuisanceWhitelistEntry> whitelist;
};

// The rules and the whitelist compiled for matching. Built once and never changed, so any
// thread may match while a new set is built. A caller is matched against the whitelist
// first, then exact numbers, then prefixes (the longest that matches wins; at equal length
// one that also names the number's length), then patterns (the one with the most digits,
// then the oldest). A rule whose kind, number or pattern is invalid is left out.
class NuisanceRules {
public:
    // Whether the caller, the number as Decide was given it, is one of the user's contacts;
    // asked only when a rule matched and contacts win.
    using ContactCheck = std::function<bool(const QString& number)>;

    NuisanceRules() = default;
    NuisanceRules(std::vector<NuisanceRule> rules, std::vector<NuisanceWhitelistEntry> whitelist);

    NuisanceVerdict Decide(const QString& number, const ContactCheck& isContact,
                           bool contactsWin) const;
    NuisanceExplanation Explain(const QString& number) const;

    std::size_t RuleCount() const { return rules_.size(); }
    std::size_t WhitelistCount() const { return whitelist_.size(); }

private:
    // One list of entries (the rules, or the whitelist) indexed by how they match.
    class Index {
    public:
        // `text` is the entry's normalised number or pattern.
        void Add(const NuisanceRule& entry, int position);
        // The position of the entry that decides for `number`; -1 for none.
        int First(std::string_view number) const;
        // Every entry that matches, the deciding one first.
        std::vector<int> All(std::string_view number) const;

    private:
        struct PrefixSlot {
            int any = -1;                           // a prefix of any length
            std::vector<std::pair<int, int>> sized; // (the number's length, position)
        };
        struct Pattern {
            std::string text;
            int digits = 0;
            int position = 0;
        };
        // The matching patterns, best first.
        std::vector<const Pattern*> Patterns(std::string_view number) const;
        void PrefixMatches(std::string_view number, std::vector<int>& out, bool firstOnly) const;

        int withheld_ = -1;
        std::unordered_map<std::string, int> exact_;
        std::unordered_map<std::string, PrefixSlot> prefixes_;
        std::size_t longestPrefix_ = 0;
        // Patterns by the digits before their first wildcard; those that start with one, by
        // the digits after their last; the rest, that start and end with one, by their longest
        // run of digits, which a number they match must contain.
        std::vector<Pattern> patterns_;
        std::unordered_map<std::string, std::vector<int>> byHead_;
        std::unordered_map<std::string, std::vector<int>> byTail_;
        std::unordered_map<std::string, std::vector<int>> byInner_;
        std::size_t longestHead_ = 0;
        std::size_t longestTail_ = 0;
        std::size_t longestInner_ = 0;
    };

    std::vector<NuisanceRule> rules_;
    std::vector<NuisanceWhitelistEntry> whitelist_;
    Index ruleIndex_;
    Index whitelistIndex_;
};

} // namespace tamberlink
