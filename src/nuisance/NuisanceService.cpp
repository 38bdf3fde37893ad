#include "nuisance/NuisanceService.h"

#include "store/LocalDatabase.h"
#include "util/AtomicFile.h"

#include <QDateTime>

namespace tamberlink {

namespace {

const QString kContactsSetting = QStringLiteral("nuisanceContacts");

qint64 Now() {
    return QDateTime::currentSecsSinceEpoch();
}

// Makes `rule` of `text`, labelled `label`, acting by `action`, made now. Returns what is
// wrong with the text or the label, or nothing.
QString NewRule(const QString& text, const QString& label, NuisanceAction action,
                NuisanceRule& rule) {
    rule.label = label;
    rule.action = action;
    rule.created = Now();
    QString error;
    if (CheckNuisanceLabel(rule.label, &error)) {
        ParseNuisanceRule(text, rule, &error);
    }
    return error;
}

qint64 TodayStart() {
    return QDateTime(QDate::currentDate(), QTime(0, 0)).toSecsSinceEpoch();
}

// Clears the flag when the import ends, however it ends.
class ImportTurn {
public:
    explicit ImportTurn(std::atomic<bool>& flag)
        : flag_(flag)
        , taken_(!flag.exchange(true)) {}
    ~ImportTurn() {
        if (taken_) {
            flag_ = false;
        }
    }
    ImportTurn(const ImportTurn&) = delete;
    ImportTurn& operator=(const ImportTurn&) = delete;
    bool Taken() const { return taken_; }

private:
    std::atomic<bool>& flag_;
    bool taken_;
};

} // namespace

NuisanceService::NuisanceService(LocalDatabase& database)
    : database_(database)
    , current_(std::make_shared<const NuisanceRules>()) {}

void NuisanceService::Load() {
    contactsWin_ = database_.Settings().ReadSwitch(kContactsSetting);
    Recompile();
}

void NuisanceService::Recompile() {
    Recompile(database_);
}

void NuisanceService::Recompile(LocalDatabase& from) {
    {
        std::lock_guard compiling(compileMutex_);
        auto rules = std::make_shared<const NuisanceRules>(from.NuisanceRules().Load(false),
                                                           from.NuisanceWhitelist().Load());
        std::lock_guard lock(currentMutex_);
        current_ = std::move(rules);
    }
    if (changed_) {
        changed_();
    }
}

std::shared_ptr<const NuisanceRules> NuisanceService::Current() const {
    std::lock_guard lock(currentMutex_);
    return current_;
}

NuisanceVerdict NuisanceService::Decide(const QString& number,
                                        const NuisanceRules::ContactCheck& isContact) const {
    return Current()->Decide(number, isContact, contactsWin_);
}

NuisanceExplanation NuisanceService::Explain(const QString& number) const {
    return Current()->Explain(number);
}

bool NuisanceService::SetContactsWin(bool on) {
    if (!database_.Settings().UpdateSwitch(kContactsSetting, on)) {
        return false;
    }
    contactsWin_ = on;
    if (changed_) {
        changed_();
    }
    return true;
}

std::vector<NuisanceRule> NuisanceService::LoadRules() {
    return LoadRules(database_);
}

std::vector<NuisanceRule> NuisanceService::LoadRules(LocalDatabase& from) {
    return from.NuisanceRules().Load(true, TodayStart());
}

NuisanceEdit NuisanceService::AddRule(const QString& text, const QString& label,
                                      NuisanceAction action) {
    NuisanceRule rule;
    if (const QString error = NewRule(text, label, action, rule); !error.isEmpty()) {
        return {0, error};
    }
    if (database_.NuisanceRules().Find(rule) != 0) {
        return {0, QStringLiteral("已有规则“%1”").arg(NuisanceRuleText(rule))};
    }
    const int id = database_.NuisanceRules().Add(rule);
    if (id == 0) {
        return {0, QStringLiteral("保存拦截规则失败")};
    }
    return Recompiled(NuisanceEdit{id, QString()});
}

NuisanceEdit NuisanceService::UpdateRule(int id, const QString& text, const QString& label,
                                         NuisanceAction action) {
    NuisanceRule rule;
    if (const QString error = NewRule(text, label, action, rule); !error.isEmpty()) {
        return {0, error};
    }
    rule.id = id;
    if (const int other = database_.NuisanceRules().Find(rule); other != 0 && other != id) {
        return {0, QStringLiteral("已有规则“%1”").arg(NuisanceRuleText(rule))};
    }
    if (!database_.NuisanceRules().Update(rule)) {
        return {0, QStringLiteral("保存拦截规则失败")};
    }
    return Recompiled(NuisanceEdit{id, QString()});
}

bool NuisanceService::RemoveRules(const std::vector<int>& ids) {
    return Recompiled(database_.NuisanceRules().Delete(ids));
}

std::vector<NuisanceWhitelistEntry> NuisanceService::LoadWhitelist() {
    return database_.NuisanceWhitelist().Load();
}

NuisanceEdit NuisanceService::AddToWhitelist(const QString& number, const QString& note) {
    NuisanceRule parsed;
    QString error;
    if (!ParseNuisanceRule(number, parsed, &error)) {
        return {0, error};
    }
    const int id =
        database_.NuisanceWhitelist().Add({0, NuisanceRuleText(parsed), note.trimmed(), Now()});
    if (id == 0) {
        return {0, QStringLiteral("保存白名单失败")};
    }
    return Recompiled(NuisanceEdit{id, QString()});
}

bool NuisanceService::RemoveFromWhitelist(const std::vector<int>& ids) {
    return Recompiled(database_.NuisanceWhitelist().Delete(ids));
}

NuisanceEdit NuisanceService::BlockNumber(const QString& number, const QString& label,
                                          NuisanceAction action) {
    NuisanceRule rule;
    if (const QString error = NewRule(number, label, action, rule); !error.isEmpty()) {
        return {0, error};
    }
    NuisanceRuleTable& table = database_.NuisanceRules();
    rule.id = table.Find(rule);
    const bool saved = rule.id != 0 ? table.Update(rule) : (rule.id = table.Add(rule)) != 0;
    if (!saved) {
        return {0, QStringLiteral("保存拦截规则失败")};
    }
    database_.NuisanceWhitelist().DeleteNumber(NuisanceRuleText(rule));
    return Recompiled(NuisanceEdit{rule.id, QString()});
}

NuisanceImportReport NuisanceService::Import(const QString& path, const NuisanceProgress& progress,
                                             const std::atomic<bool>* cancel) {
    NuisanceImportReport report;
    const ImportTurn turn(importing_);
    if (!turn.Taken()) {
        report.error = QStringLiteral("另一个导入还没有结束");
        return report;
    }
    LocalDatabase importer;
    if (!importer.OpenBeside(database_)) {
        report.error = QStringLiteral("无法打开数据库：%1").arg(importer.OpenError());
        return report;
    }
    NuisanceRuleTable& table = importer.NuisanceRules();
    if (!table.BeginImport()) {
        report.error = QStringLiteral("保存导入的规则失败");
        return report;
    }
    const qint64 created = Now();
    const bool read = ReadNuisanceFile(
        path,
        [&](std::vector<NuisanceRule>& rules) {
            for (NuisanceRule& rule : rules) {
                rule.created = created;
            }
            return table.StageImport(rules);
        },
        report, progress, cancel);
    if (!read) {
        table.AbandonImport();
        return report;
    }
    report.ok = table.FinishImport(report.imported);
    if (!report.ok) {
        report.error =
            QStringLiteral("只保存了%1条规则，其余的保存失败，可以再导入一次").arg(report.imported);
    }
    Recompile(importer);
    return report;
}

bool NuisanceService::Export(const QString& path, QString* error) {
    // Read through a connection of its own, so that a large set holds up no other user.
    LocalDatabase reader;
    LocalDatabase& from = reader.OpenBeside(database_) ? reader : database_;
    const QByteArray text = NuisanceFileText(from.NuisanceRules().Load(false));
    return AtomicFile::Write(path, std::string_view(text.constData(), std::size_t(text.size())),
                             error);
}

int NuisanceService::LogCall(const QString& number, const NuisanceRule& rule, const QString& note) {
    return database_.NuisanceLog().Add(
        {0, Now(), number, rule.id, NuisanceRuleText(rule), rule.label, rule.action, note});
}

std::vector<NuisanceLogRecord> NuisanceService::LoadLog(int limit, int offset) {
    return database_.NuisanceLog().Load(limit, offset);
}

bool NuisanceService::DeleteLog(const std::vector<int>& ids) {
    return database_.NuisanceLog().Delete(ids);
}

std::vector<NuisanceRuleCount> NuisanceService::CountsByRule() {
    return database_.NuisanceLog().CountsByRule(TodayStart());
}

NuisanceTotals NuisanceService::Totals() {
    return database_.NuisanceLog().Totals(TodayStart());
}

} // namespace tamberlink
