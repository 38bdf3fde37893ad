#include "nuisance/NuisanceRules.h"

#include "util/PhoneNumber.h"

#include <algorithm>

namespace tamberlink {

namespace {

const QString kWithheldText = QStringLiteral("无号码");

bool IsDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

bool IsWildcard(QChar c) {
    return c == u'*' || c == u'?';
}

// What people put between digits, and the country code in front.
QString WithoutSeparators(const QString& text) {
    QString out = PhoneNumber::Clean(text);
    out.removeIf([](QChar c) {
        return c == u'(' || c == u')' || c == u'（' || c == u'）' || c == u'.' || c == u'\t' ||
               c == u'\u3000';
    });
    // As often as it stands there, so that a rule's text reads back as the same rule.
    while (out.startsWith(QLatin1String("0086"))) {
        out.remove(0, 4);
    }
    return out;
}

// The trunk "0" before a mobile number goes, as the box's callers lose it; a wildcard right
// after "01" keeps it, since "01*" means the numbers of Beijing as much as mobiles.
QString WithoutTrunkZero(const QString& text) {
    if (text.size() > 2 && IsDigit(text[2])) {
        return PhoneNumber::WithoutTrunkZero(text);
    }
    return text;
}

// `*` any run of digits (none too), `?` one digit.
bool GlobMatches(std::string_view pattern, std::string_view text) {
    std::size_t p = 0;
    std::size_t t = 0;
    std::size_t star = std::string_view::npos;
    std::size_t resume = 0;
    while (t < text.size()) {
        if (p < pattern.size() && (pattern[p] == '?' || pattern[p] == text[t])) {
            ++p;
            ++t;
        } else if (p < pattern.size() && pattern[p] == '*') {
            star = p++;
            resume = t;
        } else if (star != std::string_view::npos) {
            p = star + 1;
            t = ++resume;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') {
        ++p;
    }
    return p == pattern.size();
}

// Numbers and patterns are ASCII once checked.
std::string Ascii(const QString& text) {
    return text.toStdString();
}

} // namespace

std::optional<std::string> NormalizeCallerNumber(const QString& number) {
    const QString digits = PhoneNumber::WithoutTrunkZero(WithoutSeparators(number));
    if (!std::all_of(digits.begin(), digits.end(), IsDigit)) {
        return std::nullopt;
    }
    return Ascii(digits);
}

bool ParseNuisanceRule(const QString& text, NuisanceRule& rule, QString* error) {
    const auto fail = [error](const QString& why) {
        if (error != nullptr) {
            *error = why;
        }
        return false;
    };
    const QString trimmed = text.trimmed();
    if (trimmed == kWithheldText ||
        trimmed.compare(QLatin1String("withheld"), Qt::CaseInsensitive) == 0) {
        rule.kind = NuisanceKind::Withheld;
        rule.number.clear();
        rule.length = 0;
        return true;
    }
    QString work = WithoutSeparators(trimmed);
    if (work.isEmpty()) {
        return fail(QStringLiteral("号码不能为空"));
    }
    for (QChar c : work) {
        if (!IsDigit(c) && !IsWildcard(c)) {
            return fail(QStringLiteral("“%1”中有不能识别的字符“%2”：只能填数字、*和?")
                            .arg(trimmed, QString(c)));
        }
    }
    while (work.contains(QLatin1String("**"))) {
        work.replace(QLatin1String("**"), QLatin1String("*"));
    }
    const auto digits = std::count_if(work.begin(), work.end(), IsDigit);
    const auto singles = work.count(u'?');
    if (digits == 0) {
        return fail(work == QLatin1String("*")
                        ? QStringLiteral("规则不能只有“*”：那样会拦截所有来电")
                        : QStringLiteral("“%1”中没有一位数字：那样会拦截所有来电").arg(trimmed));
    }
    if (digits + singles > kMaxRuleDigits) {
        return fail(QStringLiteral("“%1”超过了%2位数字").arg(trimmed).arg(kMaxRuleDigits));
    }
    work = WithoutTrunkZero(work);

    const qsizetype firstWild = std::find_if(work.begin(), work.end(), IsWildcard) - work.begin();
    rule.length = 0;
    if (firstWild == work.size()) {
        rule.kind = NuisanceKind::Exact;
        rule.number = work;
    } else if (firstWild == work.size() - 1 && work.back() == u'*') {
        rule.kind = NuisanceKind::Prefix;
        rule.number = work.left(firstWild);
    } else if (firstWild > 0 && std::all_of(work.begin() + firstWild, work.end(),
                                            [](QChar c) { return c == u'?'; })) {
        rule.kind = NuisanceKind::LengthPrefix;
        rule.number = work.left(firstWild);
        rule.length = int(work.size());
    } else {
        rule.kind = NuisanceKind::Pattern;
        rule.number = work;
    }
    return true;
}

bool CheckNuisanceLabel(QString& label, QString* error) {
    constexpr qsizetype kMaxLabel = 64;
    label = label.trimmed();
    QString why;
    if (label.size() > kMaxLabel) {
        why = QStringLiteral("标记超过%1个字").arg(kMaxLabel);
    } else if (std::any_of(label.begin(), label.end(),
                           [](QChar c) { return c.category() == QChar::Other_Control; })) {
        why = QStringLiteral("标记中不能有换行、制表符等控制字符");
    }
    if (error != nullptr && !why.isEmpty()) {
        *error = why;
    }
    return why.isEmpty();
}

QString NuisanceRuleText(const NuisanceRule& rule) {
    switch (rule.kind) {
    case NuisanceKind::Exact:
    case NuisanceKind::Pattern:
        return rule.number;
    case NuisanceKind::Prefix:
        return rule.number + u'*';
    case NuisanceKind::LengthPrefix:
        return rule.number +
               QString(std::max<qsizetype>(0, rule.length - rule.number.size()), u'?');
    case NuisanceKind::Withheld:
        return kWithheldText;
    }
    return rule.number;
}

QString NuisanceRuleCaption(const NuisanceRule& rule) {
    const QString text = NuisanceRuleText(rule);
    return rule.label.isEmpty() ? text : rule.label + u' ' + text;
}

QString NuisanceActionName(NuisanceAction action) {
    // In the order of NuisanceAction.
    static const QString kNames[] = {QStringLiteral("仅标记"), QStringLiteral("静音"),
                                     QStringLiteral("拒接")};
    const auto index = std::size_t(action);
    return index < std::size(kNames) ? kNames[index] : QString();
}

std::optional<NuisanceAction> ParseNuisanceAction(const QString& text) {
    const QString word = text.trimmed().toLower();
    if (word.isEmpty() || word == QLatin1String("label") || word == QLatin1String("labelonly") ||
        word == QLatin1String("0") || word == NuisanceActionName(NuisanceAction::LabelOnly) ||
        word == QStringLiteral("标记")) {
        return NuisanceAction::LabelOnly;
    }
    if (word == QLatin1String("silent") || word == QLatin1String("1") ||
        word == NuisanceActionName(NuisanceAction::Silent)) {
        return NuisanceAction::Silent;
    }
    if (word == QLatin1String("reject") || word == QLatin1String("2") ||
        word == NuisanceActionName(NuisanceAction::Reject) || word == QStringLiteral("挂断")) {
        return NuisanceAction::Reject;
    }
    return std::nullopt;
}

void NuisanceRules::Index::Add(const NuisanceRule& entry, int position) {
    const std::string text = Ascii(entry.number);
    switch (entry.kind) {
    case NuisanceKind::Withheld:
        if (withheld_ < 0) {
            withheld_ = position;
        }
        break;
    case NuisanceKind::Exact:
        exact_.emplace(text, position);
        break;
    case NuisanceKind::Prefix: {
        PrefixSlot& slot = prefixes_[text];
        if (slot.any < 0) {
            slot.any = position;
        }
        longestPrefix_ = std::max(longestPrefix_, text.size());
        break;
    }
    case NuisanceKind::LengthPrefix: {
        PrefixSlot& slot = prefixes_[text];
        if (std::none_of(slot.sized.begin(), slot.sized.end(),
                         [&](const auto& sized) { return sized.first == entry.length; })) {
            slot.sized.emplace_back(entry.length, position);
        }
        longestPrefix_ = std::max(longestPrefix_, text.size());
        break;
    }
    case NuisanceKind::Pattern: {
        const int digits = int(
            std::count_if(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }));
        const int at = int(patterns_.size());
        patterns_.push_back({text, digits, position});
        const std::size_t head = text.find_first_of("*?");
        const std::size_t tail = text.find_last_of("*?") + 1;
        if (head > 0) {
            byHead_[text.substr(0, head)].push_back(at);
            longestHead_ = std::max(longestHead_, head);
        } else if (tail < text.size()) {
            byTail_[text.substr(tail)].push_back(at);
            longestTail_ = std::max(longestTail_, text.size() - tail);
        } else {
            std::string run;
            for (std::size_t from = 0; from < text.size();) {
                const std::size_t start = text.find_first_not_of("*?", from);
                if (start == std::string::npos) {
                    break;
                }
                const std::size_t end = std::min(text.find_first_of("*?", start), text.size());
                if (end - start > run.size()) {
                    run = text.substr(start, end - start);
                }
                from = end;
            }
            byInner_[run].push_back(at);
            longestInner_ = std::max(longestInner_, run.size());
        }
        break;
    }
    }
}

void NuisanceRules::Index::PrefixMatches(std::string_view number, std::vector<int>& out,
                                         bool firstOnly) const {
    std::string key(number.substr(0, std::min(number.size(), longestPrefix_)));
    for (; !key.empty(); key.pop_back()) {
        const auto found = prefixes_.find(key);
        if (found == prefixes_.end()) {
            continue;
        }
        for (const auto& [length, position] : found->second.sized) {
            if (std::size_t(length) == number.size()) {
                out.push_back(position);
                if (firstOnly) {
                    return;
                }
            }
        }
        if (found->second.any >= 0) {
            out.push_back(found->second.any);
            if (firstOnly) {
                return;
            }
        }
    }
}

std::vector<const NuisanceRules::Index::Pattern*>
NuisanceRules::Index::Patterns(std::string_view number) const {
    std::vector<const Pattern*> matches;
    const auto consider = [&](const std::vector<int>& candidates) {
        for (int at : candidates) {
            if (GlobMatches(patterns_[at].text, number)) {
                matches.push_back(&patterns_[at]);
            }
        }
    };
    // A run of digits can occur more than once in a number: each pattern is looked at once.
    std::vector<int> inner;
    std::string key;
    for (std::size_t length = 1; length <= std::min(number.size(), longestHead_); ++length) {
        key.assign(number.substr(0, length));
        if (const auto found = byHead_.find(key); found != byHead_.end()) {
            consider(found->second);
        }
    }
    for (std::size_t length = 1; length <= std::min(number.size(), longestTail_); ++length) {
        key.assign(number.substr(number.size() - length));
        if (const auto found = byTail_.find(key); found != byTail_.end()) {
            consider(found->second);
        }
    }
    for (std::size_t start = 0; start < number.size(); ++start) {
        for (std::size_t length = 1; length <= std::min(number.size() - start, longestInner_);
             ++length) {
            key.assign(number.substr(start, length));
            if (const auto found = byInner_.find(key); found != byInner_.end()) {
                inner.insert(inner.end(), found->second.begin(), found->second.end());
            }
        }
    }
    std::sort(inner.begin(), inner.end());
    inner.erase(std::unique(inner.begin(), inner.end()), inner.end());
    consider(inner);
    std::sort(matches.begin(), matches.end(), [](const Pattern* a, const Pattern* b) {
        return a->digits != b->digits ? a->digits > b->digits : a->position < b->position;
    });
    return matches;
}

int NuisanceRules::Index::First(std::string_view number) const {
    if (number.empty()) {
        return withheld_;
    }
    if (const auto found = exact_.find(std::string(number)); found != exact_.end()) {
        return found->second;
    }
    std::vector<int> prefix;
    PrefixMatches(number, prefix, true);
    if (!prefix.empty()) {
        return prefix.front();
    }
    if (patterns_.empty()) {
        return -1;
    }
    const auto patterns = Patterns(number);
    return patterns.empty() ? -1 : patterns.front()->position;
}

std::vector<int> NuisanceRules::Index::All(std::string_view number) const {
    std::vector<int> all;
    if (number.empty()) {
        if (withheld_ >= 0) {
            all.push_back(withheld_);
        }
        return all;
    }
    if (const auto found = exact_.find(std::string(number)); found != exact_.end()) {
        all.push_back(found->second);
    }
    PrefixMatches(number, all, false);
    for (const Pattern* pattern : Patterns(number)) {
        all.push_back(pattern->position);
    }
    return all;
}

NuisanceRules::NuisanceRules(std::vector<NuisanceRule> rules,
                             std::vector<NuisanceWhitelistEntry> whitelist)
    : rules_(std::move(rules))
    , whitelist_(std::move(whitelist)) {
    for (std::size_t i = 0; i < rules_.size(); ++i) {
        // Stored rules were checked when written; one read back from an edited file is not.
        NuisanceRule check = rules_[i];
        if (ParseNuisanceRule(NuisanceRuleText(rules_[i]), check, nullptr) &&
            check.kind == rules_[i].kind && check.number == rules_[i].number) {
            ruleIndex_.Add(rules_[i], int(i));
        }
    }
    for (std::size_t i = 0; i < whitelist_.size(); ++i) {
        NuisanceRule entry;
        if (ParseNuisanceRule(whitelist_[i].number, entry, nullptr)) {
            whitelistIndex_.Add(entry, int(i));
        }
    }
}

NuisanceVerdict NuisanceRules::Decide(const QString& number, const ContactCheck& isContact,
                                      bool contactsWin) const {
    NuisanceVerdict verdict;
    const std::optional<std::string> caller = NormalizeCallerNumber(number);
    if (!caller) {
        return verdict;
    }
    const int rule = ruleIndex_.First(*caller);
    if (rule < 0) {
        return verdict;
    }
    verdict.rule = rules_[std::size_t(rule)];
    if (const int allowed = whitelistIndex_.First(*caller); allowed >= 0) {
        verdict.reason = NuisanceVerdict::Reason::Whitelisted;
        verdict.whitelisted = whitelist_[std::size_t(allowed)];
    } else if (contactsWin && !caller->empty() && isContact && isContact(number)) {
        verdict.reason = NuisanceVerdict::Reason::Contact;
    } else {
        verdict.reason = NuisanceVerdict::Reason::Rule;
    }
    return verdict;
}

NuisanceExplanation NuisanceRules::Explain(const QString& number) const {
    NuisanceExplanation explanation;
    const std::optional<std::string> caller = NormalizeCallerNumber(number);
    if (!caller) {
        return explanation;
    }
    for (int at : ruleIndex_.All(*caller)) {
        explanation.rules.push_back(rules_[std::size_t(at)]);
    }
    for (int at : whitelistIndex_.All(*caller)) {
        explanation.whitelist.push_back(whitelist_[std::size_t(at)]);
    }
    return explanation;
}

} // namespace tamberlink
