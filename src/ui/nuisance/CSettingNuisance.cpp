#include "ui/nuisance/CSettingNuisance.h"

#include "app/AppCore.h"
#include "nuisance/NuisanceFileTask.h"
#include "store/LocalDatabase.h"
#include "ui/nuisance/NuisanceActions.h"

#include <QFileDialog>
#include <QListView>

namespace tamberlink {
namespace {

// The junk lines a notice names before it only counts the rest.
constexpr std::size_t kJunkShown = 3;

QString ImportNotice(const NuisanceImportReport& report) {
    if (report.cancelled) {
        return QStringLiteral("已取消导入，规则没有改动");
    }
    if (!report.ok) {
        return QStringLiteral("导入失败：%1").arg(report.error);
    }
    QString text = QStringLiteral("已导入 %1 条规则").arg(report.imported);
    if (report.junkCount > 0) {
        text += QStringLiteral("，跳过 %1 行无法识别的内容：").arg(report.junkCount);
        for (std::size_t i = 0; i < report.junk.size() && i < kJunkShown; ++i) {
            const NuisanceJunkLine& junk = report.junk[i];
            text += QStringLiteral("\n第 %1 行“%2”：%3")
                        .arg(junk.line)
                        .arg(junk.text.left(24), junk.reason);
        }
        if (report.junkCount > qint64(kJunkShown)) {
            text += QStringLiteral("\n……");
        }
    }
    return text;
}

// Why a caller's calls go as they go, in one line.
QString CheckText(const QString& number, const NuisanceVerdict& verdict,
                  const NuisanceExplanation& why) {
    if (!NormalizeCallerNumber(number)) {
        return QStringLiteral("号码只能有数字、空格、横线、括号和开头的 +");
    }
    const QString blocked =
        verdict.rule ? QStringLiteral("（规则“%1”不生效）").arg(NuisanceRuleCaption(*verdict.rule))
                     : QString();
    switch (verdict.reason) {
    case NuisanceVerdict::Reason::NoRule:
        return QStringLiteral("没有规则匹配，正常来电");
    case NuisanceVerdict::Reason::Whitelisted:
        return QStringLiteral("白名单“%1”放行").arg(verdict.whitelisted->number) + blocked;
    case NuisanceVerdict::Reason::Contact:
        return QStringLiteral("联系人来电，正常放行") + blocked;
    case NuisanceVerdict::Reason::Rule:
        break;
    }
    QString text = NuisanceActionName(verdict.rule->action) + QStringLiteral("：") +
                   NuisanceRuleCaption(*verdict.rule);
    QStringList others;
    for (const NuisanceRule& rule : why.rules) {
        if (rule.id != verdict.rule->id) {
            others << NuisanceRuleText(rule);
        }
    }
    if (!others.isEmpty()) {
        text += QStringLiteral("；也匹配 %1，以这条为准").arg(others.join(QStringLiteral("、")));
    }
    return text;
}

// Removes what is checked in `model` with `remove`; the user hears when nothing is checked
// (`nothing`) or the database refused (`refused`). True once the records are gone.
template <class Model, class Remove>
bool RemoveChecked(AppCore& core, Model& model, Remove remove, const QString& nothing,
                   const QString& refused) {
    const std::vector<int> ids = model.IdsOf(model.CheckedRows());
    if (ids.empty()) {
        core.ShowTip(nothing);
        return false;
    }
    if (!remove(ids)) {
        core.ShowTip(refused);
        return false;
    }
    return true;
}

} // namespace

CSettingNuisance::CSettingNuisance(QWidget* parent, AppCore& core)
    : CSettingBaseUI(parent, QStringLiteral("骚扰拦截"), core) {}

CSettingNuisance::~CSettingNuisance() = default;

void CSettingNuisance::InitContent() {
    rules_ = new NuisanceRuleModel(this);
    whitelist_ = new NuisanceWhitelistModel(this);
    log_ = new NuisanceLogModel(this);
    rules_->SetSource(Core(), [](LocalDatabase& db) { return NuisanceService::LoadRules(db); }, {});
    whitelist_->SetSource(Core(), [](LocalDatabase& db) { return db.NuisanceWhitelist().Load(); },
                          {});
    log_->SetSource(Core(), [](LocalDatabase& db) { return db.NuisanceLog().Load(kLogRows); }, {});

    ruleRows_ = ShowRows<NuisanceRuleDelegate>(*ui_.ListRules, *rules_);
    ruleRows_->SetActive([this](const NuisanceRule& rule) { return rule.id == editing_; });
    FollowRows(*ruleRows_, this, &CSettingNuisance::OnRuleButton, NuisanceRowControls::kRow);
    FollowRows(*ShowRows<NuisanceWhitelistDelegate>(*ui_.ListWhitelist, *whitelist_), this,
               &CSettingNuisance::OnWhitelistButton, NuisanceRowControls::kCheck);
    FollowRows(*ShowRows<NuisanceLogDelegate>(*ui_.ListLog, *log_), this,
               &CSettingNuisance::OnLogButton, NuisanceRowControls::kCheck);
    // An edited rule that another change removed leaves the editor.
    connect(rules_, &NuisanceRuleModel::Loaded, this, [this] {
        if (editing_ != 0 && rules_->RowOfId(editing_) < 0) {
            editing_ = 0;
            ui_.ButtonSaveRule->setEnabled(false);
        }
    });

    const std::pair<QAbstractButton*, Page> tabs[] = {{ui_.ButtonTabRules, kRulesPage},
                                                      {ui_.ButtonTabWhitelist, kWhitelistPage},
                                                      {ui_.ButtonTabLog, kLogPage}};
    for (const auto& [button, page] : tabs) {
        connect(button, &QAbstractButton::clicked, this, [this, page] { ShowPage(page); });
    }

    ui_.ComboLabel->addItems({QStringLiteral("推销"), QStringLiteral("诈骗"),
                              QStringLiteral("贷款"), nuisance_actions::DefaultLabel()});
    for (NuisanceAction action :
         {NuisanceAction::LabelOnly, NuisanceAction::Silent, NuisanceAction::Reject}) {
        ui_.ComboAction->addItem(NuisanceActionName(action), int(action));
    }
    ui_.ButtonSaveRule->setEnabled(false);
    connect(ui_.ButtonAddRule, &QAbstractButton::clicked, this, &CSettingNuisance::AddRule);
    connect(ui_.EditRule, &QLineEdit::returnPressed, this, &CSettingNuisance::AddRule);
    connect(ui_.ButtonSaveRule, &QAbstractButton::clicked, this, &CSettingNuisance::SaveRule);
    connect(ui_.ButtonDeleteRules, &QAbstractButton::clicked, this, &CSettingNuisance::DeleteRules);
    connect(ui_.EditCheck, &QLineEdit::textChanged, this, &CSettingNuisance::ShowCheck);
    connect(ui_.ButtonImport, &QAbstractButton::clicked, this, [this] { ChooseFile(true); });
    connect(ui_.ButtonExport, &QAbstractButton::clicked, this, [this] { ChooseFile(false); });
    connect(ui_.ButtonCancelImport, &QAbstractButton::clicked, this, [this] {
        ui_.ButtonCancelImport->setEnabled(false);
        task_->Cancel();
    });
    ui_.CheckContactsWin->setChecked(Core().Nuisance().ContactsWin());
    connect(ui_.CheckContactsWin, &QAbstractButton::clicked, this,
            &CSettingNuisance::SetContactsWin);

    connect(ui_.ButtonAddWhite, &QAbstractButton::clicked, this, &CSettingNuisance::AddToWhitelist);
    connect(ui_.EditWhiteNumber, &QLineEdit::returnPressed, this,
            &CSettingNuisance::AddToWhitelist);
    connect(ui_.ButtonDeleteWhite, &QAbstractButton::clicked, this,
            &CSettingNuisance::DeleteWhitelist);

    connect(ui_.ButtonNotNuisance, &QAbstractButton::clicked, this, [this] {
        if (nuisance_actions::MarkNotNuisance(Core(), CheckedLogNumbers()) > 0) {
            log_->SetAllChecked(false);
        }
    });
    connect(ui_.ButtonBlockAgain, &QAbstractButton::clicked, this, [this] {
        if (nuisance_actions::BlockCallers(Core(), CheckedLogNumbers()) > 0) {
            log_->SetAllChecked(false);
        }
    });
    connect(ui_.ButtonDeleteLog, &QAbstractButton::clicked, this, &CSettingNuisance::DeleteLog);

    task_ = new NuisanceFileTask(Core().Nuisance(), this);
    connect(task_, &NuisanceFileTask::Progress, this, [this](qint64 done, qint64 total) {
        ui_.ProgressImport->setValue(total > 0 ? int(done * 1000 / total) : 0);
    });
    connect(task_, &NuisanceFileTask::Imported, this, &CSettingNuisance::OnImported);
    connect(task_, &NuisanceFileTask::Exported, this, &CSettingNuisance::OnExported);

    connect(&Core(), &AppCore::NuisanceChanged, this, [this] {
        rules_->Reload();
        whitelist_->Reload();
        ui_.CheckContactsWin->setChecked(Core().Nuisance().ContactsWin());
        ShowCheck();
    });
    // A call the rules acted on adds to the log and the counts.
    connect(&Core(), &AppCore::CallLogRowsChanged, this, [this] {
        rules_->Reload();
        log_->Reload();
        ShowTotals();
    });

    ShowPage(kRulesPage);
    ReloadLists();
    ShowTotals();
}

void CSettingNuisance::ShowPage(int page) {
    ui_.StackPages->setCurrentIndex(page);
    ui_.ButtonTabRules->setChecked(page == kRulesPage);
    ui_.ButtonTabWhitelist->setChecked(page == kWhitelistPage);
    ui_.ButtonTabLog->setChecked(page == kLogPage);
}

void CSettingNuisance::ReloadLists() {
    rules_->Reload();
    whitelist_->Reload();
    log_->Reload();
}

void CSettingNuisance::ShowTotals() {
    const NuisanceTotals totals = Core().Nuisance().Totals();
    ui_.LabelTotals->setText(QStringLiteral("今天拦截 %1 · 共 %2 · 今天标记 %3")
                                 .arg(totals.blockedToday)
                                 .arg(totals.blockedAll)
                                 .arg(totals.labelledToday));
}

void CSettingNuisance::OnRuleButton(int row, int control) {
    if (!rules_->IsEntryRow(row)) {
        return;
    }
    if (control == NuisanceRowControls::kCheck) {
        rules_->SetChecked(row, !rules_->IsChecked(row));
    } else if (control == NuisanceRowControls::kRow) {
        EditRule(row);
    }
}

void CSettingNuisance::OnWhitelistButton(int row, int control) {
    if (whitelist_->IsEntryRow(row) && control != 0) {
        whitelist_->SetChecked(row, !whitelist_->IsChecked(row));
    }
}

void CSettingNuisance::OnLogButton(int row, int control) {
    if (log_->IsEntryRow(row) && control != 0) {
        log_->SetChecked(row, !log_->IsChecked(row));
    }
}

void CSettingNuisance::EditRule(int row) {
    const NuisanceRule& rule = *rules_->Entry(row);
    editing_ = rule.id;
    ui_.EditRule->setText(NuisanceRuleText(rule));
    ui_.ComboLabel->setCurrentText(rule.label);
    ui_.ComboAction->setCurrentIndex(ui_.ComboAction->findData(int(rule.action)));
    ui_.ButtonSaveRule->setEnabled(true);
    ui_.ListRules->viewport()->update();
}

void CSettingNuisance::AddRule() {
    const NuisanceEdit edit =
        Core().Nuisance().AddRule(ui_.EditRule->text(), ui_.ComboLabel->currentText(),
                                  NuisanceAction(ui_.ComboAction->currentData().toInt()));
    if (!edit.Ok()) {
        Core().ShowTip(edit.error);
        return;
    }
    ui_.EditRule->clear();
    editing_ = 0;
    ui_.ButtonSaveRule->setEnabled(false);
    // The new rule comes in last once the list is read again: show it there.
    connect(
        rules_, &NuisanceRuleModel::Loaded, this,
        [this, id = edit.id] {
            if (const int row = rules_->RowOfId(id); row >= 0) {
                ui_.ListRules->scrollTo(rules_->index(row));
            }
        },
        Qt::SingleShotConnection);
}

void CSettingNuisance::SaveRule() {
    if (editing_ == 0) {
        return;
    }
    const NuisanceEdit edit =
        Core().Nuisance().UpdateRule(editing_, ui_.EditRule->text(), ui_.ComboLabel->currentText(),
                                     NuisanceAction(ui_.ComboAction->currentData().toInt()));
    if (!edit.Ok()) {
        Core().ShowTip(edit.error);
        return;
    }
    editing_ = 0;
    ui_.EditRule->clear();
    ui_.ButtonSaveRule->setEnabled(false);
}

void CSettingNuisance::DeleteRules() {
    RemoveChecked(
        Core(), *rules_, [this](const auto& ids) { return Core().Nuisance().RemoveRules(ids); },
        QStringLiteral("请先勾选要删除的规则"), QStringLiteral("规则没有删除：无法写入数据库"));
}

void CSettingNuisance::ShowCheck() {
    const QString number = ui_.EditCheck->text().trimmed();
    QString text;
    if (!number.isEmpty()) {
        text = CheckText(number, Core().ScreenCaller(number), Core().Nuisance().Explain(number));
    }
    ui_.LabelCheck->setText(text);
    ui_.LabelCheck->setToolTip(text);
}

void CSettingNuisance::AddToWhitelist() {
    const NuisanceEdit edit =
        Core().Nuisance().AddToWhitelist(ui_.EditWhiteNumber->text(), ui_.EditWhiteNote->text());
    if (!edit.Ok()) {
        Core().ShowTip(edit.error);
        return;
    }
    ui_.EditWhiteNumber->clear();
    ui_.EditWhiteNote->clear();
}

void CSettingNuisance::DeleteWhitelist() {
    RemoveChecked(
        Core(), *whitelist_,
        [this](const auto& ids) { return Core().Nuisance().RemoveFromWhitelist(ids); },
        QStringLiteral("请先勾选要删除的号码"), QStringLiteral("白名单没有改动：无法写入数据库"));
}

QStringList CSettingNuisance::CheckedLogNumbers() const {
    QStringList numbers;
    for (int row : log_->CheckedRows()) {
        numbers << log_->Entry(row)->number;
    }
    if (numbers.isEmpty()) {
        Core().ShowTip(QStringLiteral("请先勾选记录"));
    }
    return numbers;
}

void CSettingNuisance::DeleteLog() {
    if (!RemoveChecked(
            Core(), *log_, [this](const auto& ids) { return Core().Nuisance().DeleteLog(ids); },
            QStringLiteral("请先勾选记录"), QStringLiteral("记录没有删除：无法写入数据库"))) {
        return;
    }
    log_->RemoveCheckedRows();
    rules_->Reload();
    ShowTotals();
}

void CSettingNuisance::ChooseFile(bool import) {
    if (fileDialog_ != nullptr) {
        fileDialog_->raise();
        return;
    }
    fileDialog_ = new QFileDialog(
        this, import ? QStringLiteral("导入拦截规则") : QStringLiteral("导出拦截规则"), QString(),
        QStringLiteral("规则文件 (*.csv *.txt);;所有文件 (*)"));
    fileDialog_->setAcceptMode(import ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
    fileDialog_->setFileMode(import ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    if (!import) {
        fileDialog_->setDefaultSuffix(QStringLiteral("csv"));
        fileDialog_->selectFile(QStringLiteral("骚扰拦截规则.csv"));
    }
    fileDialog_->setAttribute(Qt::WA_DeleteOnClose);
    connect(fileDialog_, &QFileDialog::fileSelected, this,
            [this, import](const QString& path) { import ? ImportFrom(path) : ExportTo(path); });
    fileDialog_->open();
}

void CSettingNuisance::ImportFrom(const QString& path) {
    if (!task_->StartImport(path)) {
        Core().ShowTip(QStringLiteral("正在处理另一个规则文件，请稍候"));
        return;
    }
    SetImporting(true);
}

void CSettingNuisance::ExportTo(const QString& path) {
    if (!task_->StartExport(path)) {
        Core().ShowTip(QStringLiteral("正在处理另一个规则文件，请稍候"));
    }
}

void CSettingNuisance::SetImporting(bool importing) {
    for (QWidget* idle : std::initializer_list<QWidget*>{ui_.ButtonDeleteRules, ui_.ButtonImport,
                                                         ui_.ButtonExport, ui_.CheckContactsWin}) {
        idle->setVisible(!importing);
    }
    ui_.ProgressImport->setRange(0, 1000);
    ui_.ProgressImport->setValue(0);
    ui_.ProgressImport->setVisible(importing);
    ui_.ButtonCancelImport->setEnabled(importing);
    ui_.ButtonCancelImport->setVisible(importing);
}

void CSettingNuisance::OnImported(const NuisanceImportReport& report) {
    SetImporting(false);
    Core().ShowTip(ImportNotice(report));
}

void CSettingNuisance::OnExported(bool ok, const QString& error) {
    Core().ShowTip(ok ? QStringLiteral("拦截规则已导出")
                      : QStringLiteral("导出失败：%1").arg(error));
}

void CSettingNuisance::SetContactsWin(bool on) {
    if (!Core().Nuisance().SetContactsWin(on)) {
        ui_.CheckContactsWin->setChecked(!on);
        Core().ShowTip(QStringLiteral("设置没有保存：无法写入数据库"));
    }
}

void CSettingNuisance::OnCloseClicked() {
    task_->Cancel();
    CSettingBaseUI::OnCloseClicked();
}

} // namespace tamberlink
