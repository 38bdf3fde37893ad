#include "nuisance/NuisanceFile.h"

#include "nuisance/NuisanceRules.h"

#include <QFile>
#include <QStringList>

namespace tamberlink {

namespace {

constexpr std::size_t kBatchRules = 5000;
constexpr qint64 kProgressLines = 4096;
constexpr qsizetype kMaxLineBytes = 4096;

// Fields separated by `separator`, each optionally quoted. False for a quote left open.
bool SplitFields(const QString& line, QChar separator, QStringList& fields) {
    QString field;
    bool quoted = false;
    bool wasQuoted = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line[i];
        if (quoted) {
            if (c == u'"' && i + 1 < line.size() && line[i + 1] == u'"') {
                field += u'"';
                ++i;
            } else if (c == u'"') {
                quoted = false;
            } else {
                field += c;
            }
        } else if (c == u'"' && field.trimmed().isEmpty() && !wasQuoted) {
            field.clear();
            quoted = true;
            wasQuoted = true;
        } else if (c == separator) {
            fields << (wasQuoted ? field : field.trimmed());
            field.clear();
            wasQuoted = false;
        } else {
            field += c;
        }
    }
    fields << (wasQuoted ? field : field.trimmed());
    return !quoted;
}

// The first tab or comma outside quotes; a comma when there is neither.
QChar Separator(const QString& line) {
    bool quoted = false;
    for (QChar c : line) {
        if (c == u'"') {
            quoted = !quoted;
        } else if (!quoted && (c == u'\t' || c == u',')) {
            return c;
        }
    }
    return u',';
}

bool LooksLikeHeader(const QString& line) {
    const QString lower = line.toLower();
    return lower.contains(QStringLiteral("号码")) || lower.contains(QStringLiteral("规则")) ||
           lower.contains(QLatin1String("number")) || lower.contains(QLatin1String("pattern"));
}

QString Quoted(const QString& field) {
    if (!field.contains(u',') && !field.contains(u'"') && !field.contains(u'\t') &&
        field.trimmed() == field) {
        return field;
    }
    return u'"' + QString(field).replace(QLatin1String("\""), QLatin1String("\"\"")) + u'"';
}

} // namespace

bool ParseNuisanceLine(const QString& line, NuisanceRule& rule, QString* error) {
    const auto fail = [error](const QString& why) {
        if (error != nullptr) {
            *error = why;
        }
        return false;
    };
    QStringList fields;
    if (!SplitFields(line, Separator(line), fields)) {
        return fail(QStringLiteral("引号没有结束"));
    }
    while (fields.size() > 3 && fields.back().isEmpty()) {
        fields.removeLast();
    }
    if (fields.size() > 3) {
        return fail(QStringLiteral("多于三列：应为号码、标记、处理方式"));
    }
    if (!ParseNuisanceRule(fields[0], rule, error)) {
        return false;
    }
    rule.label = fields.size() > 1 ? fields[1] : QString();
    if (!CheckNuisanceLabel(rule.label, error)) {
        return false;
    }
    const std::optional<NuisanceAction> action =
        ParseNuisanceAction(fields.size() > 2 ? fields[2] : QString());
    if (!action) {
        return fail(QStringLiteral("不认识的处理方式“%1”：应为仅标记、静音或拒接").arg(fields[2]));
    }
    rule.action = *action;
    return true;
}

bool ReadNuisanceFile(const QString& path,
                      const std::function<bool(std::vector<NuisanceRule>&)>& batch,
                      NuisanceImportReport& report, const NuisanceProgress& progress,
                      const std::atomic<bool>* cancel) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        report.error = QStringLiteral("无法打开文件%1：%2").arg(path, file.errorString());
        return false;
    }
    const qint64 total = file.size();
    std::vector<NuisanceRule> rules;
    rules.reserve(kBatchRules);
    bool seenContent = false;
    while (true) {
        QByteArray raw = file.readLine(kMaxLineBytes);
        if (raw.isEmpty()) {
            break;
        }
        ++report.lines;
        const bool whole = raw.endsWith('\n') || file.atEnd();
        if (!whole) {
            // Too long for a rule: the rest of the line is skipped with it.
            for (QByteArray rest = raw; !rest.endsWith('\n') && !file.atEnd();) {
                rest = file.readLine(kMaxLineBytes);
            }
        }
        if (report.lines == 1 && raw.startsWith("\xEF\xBB\xBF")) {
            raw.remove(0, 3);
        }
        const QString line =
            whole ? QString::fromUtf8(raw).trimmed() : QString::fromUtf8(raw.left(80));
        const auto junk = [&](const QString& reason) {
            if (report.junk.size() < NuisanceImportReport::kMaxListedJunk) {
                report.junk.push_back({report.lines, line.left(80), reason});
            }
            ++report.junkCount;
        };
        if (!whole) {
            junk(QStringLiteral("这一行太长"));
        } else if (line.contains(QChar::ReplacementCharacter) && !raw.contains("\xEF\xBF\xBD")) {
            junk(QStringLiteral("不是UTF-8文本"));
        } else if (!line.isEmpty() && !line.startsWith(u'#')) {
            NuisanceRule rule;
            QString why;
            if (ParseNuisanceLine(line, rule, &why)) {
                rules.push_back(std::move(rule));
            } else if (!seenContent && LooksLikeHeader(line)) {
                // The column names, not a rule.
            } else {
                junk(why);
            }
            seenContent = true;
        }
        if (rules.size() >= kBatchRules && !batch(rules)) {
            report.error = QStringLiteral("保存导入的规则失败");
            return false;
        }
        if (rules.size() >= kBatchRules) {
            rules.clear();
        }
        if (report.lines % kProgressLines == 0) {
            if (cancel != nullptr && *cancel) {
                report.cancelled = true;
                report.error = QStringLiteral("导入已取消");
                return false;
            }
            if (progress) {
                progress(file.pos(), total);
            }
        }
    }
    if (file.error() != QFileDevice::NoError) {
        report.error = QStringLiteral("读取文件%1时出错：%2").arg(path, file.errorString());
        return false;
    }
    if (!rules.empty() && !batch(rules)) {
        report.error = QStringLiteral("保存导入的规则失败");
        return false;
    }
    if (progress) {
        progress(total, total);
    }
    return true;
}

QByteArray NuisanceFileText(const std::vector<NuisanceRule>& rules) {
    QString text = QStringLiteral("\uFEFF号码,标记,处理\n");
    for (const NuisanceRule& rule : rules) {
        text += NuisanceRuleText(rule) + u',' + Quoted(rule.label) + u',' +
                NuisanceActionName(rule.action) + u'\n';
    }
    return text.toUtf8();
}

} // namespace tamberlink
