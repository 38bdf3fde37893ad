// Feeds arbitrary text to the rule files' line reader. A line it accepts must come back the
// same through the exported form, hold at most 32 digits and at least one (or be the rule for
// withheld callers), and its compiled rule must decide for the line's own text without
// failing; a number made of the rule's digits, with each wildcard as one digit, must match.
#include "FuzzSupport.h"
#include "nuisance/NuisanceFile.h"
#include "nuisance/NuisanceRules.h"

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>

namespace {

using namespace tamberlink;
using fuzz::Check;

// A number the rule must match: its digits, each wildcard standing for one '2'. After "01"
// it stands for a '0': a caller's "01" and another digit is a mobile number's trunk "0",
// which goes before matching, so only Beijing's "010" is left to match there.
QString Example(const NuisanceRule& rule) {
    if (rule.kind == NuisanceKind::Withheld) {
        return QString();
    }
    QString number = NuisanceRuleText(rule);
    for (qsizetype i = 0; i < number.size(); ++i) {
        if (number[i] == u'?' || number[i] == u'*') {
            number[i] = i == 2 && number.startsWith(QLatin1String("01")) ? u'0' : u'2';
        }
    }
    return number;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString line = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    NuisanceRule rule;
    QString error;
    if (!ParseNuisanceLine(line, rule, &error)) {
        Check(!error.isEmpty());
        return 0;
    }
    const QString text = NuisanceRuleText(rule);
    const auto digits =
        std::count_if(text.begin(), text.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
    Check(digits <= kMaxRuleDigits);
    Check(digits > 0 || rule.kind == NuisanceKind::Withheld);

    // The exported line reads back as the same rule.
    QByteArray exported = NuisanceFileText({rule});
    exported = exported.mid(exported.indexOf('\n') + 1).chopped(1);
    NuisanceRule again;
    Check(ParseNuisanceLine(QString::fromUtf8(exported), again, nullptr));
    Check(again.kind == rule.kind && again.number == rule.number && again.length == rule.length &&
          again.label == rule.label && again.action == rule.action);

    rule.id = 1;
    const NuisanceRules rules({rule}, {});
    rules.Decide(line, {}, true);
    rules.Explain(line);
    const NuisanceVerdict verdict = rules.Decide(Example(rule), {}, true);
    Check(verdict.Acts() && verdict.rule->id == 1);
    return 0;
}
