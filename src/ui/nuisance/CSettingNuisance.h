#pragma once

#include "ui/lists/ItemRowDelegate.h"
#include "ui/nuisance/NuisanceRows.h"
#include "ui/settings/CSettingBaseUI.h"
#include "ui_dlg_nuisance.h"

#include <QPointer>

class QFileDialog;

namespace tamberlink {

struct NuisanceImportReport;
class NuisanceFileTask;

using NuisanceRuleDelegate = ItemRowDelegate<NuisanceRuleRow>;
using NuisanceWhitelistDelegate = ItemRowDelegate<NuisanceWhitelistRow>;
using NuisanceLogDelegate = ItemRowDelegate<NuisanceLogRow>;

// "骚扰拦截": the rules that label, silence or reject callers, the whitelist that always wins,
// and the log of the calls the rules acted on, each on a page of its own, with the calls
// stopped today and in all above them. A click on a rule puts it in the editor below the list
// for "保存修改"; a click on a check box checks the row for the page's delete and the log's
// "不是骚扰" and "拦截此号码". Typing a number in the check box says which rule would decide
// its calls and which others also match. Rule files are imported and exported on a thread of
// their own while the window shows the progress; closing the window cancels an import.
class CSettingNuisance : public CSettingBaseUI {
    Q_OBJECT

public:
    // Over the middle of the main window.
    static constexpr QPoint kPosition{131, 70};
    enum Page { kRulesPage, kWhitelistPage, kLogPage };
    // The newest calls of the log that the log page shows.
    static constexpr int kLogRows = 5000;

    CSettingNuisance(QWidget* parent, AppCore& core);
    ~CSettingNuisance() override;

    QWidget* BuildForm() override { return SetUpDialogForm(ui_); }
    const Ui::dlg_nuisance& Form() const { return ui_; }

    void ShowPage(int page);
    // Imports the rule file at `path` or writes the rules to it, in the background.
    void ImportFrom(const QString& path);
    void ExportTo(const QString& path);

    NuisanceRuleModel& Rules() { return *rules_; }
    NuisanceWhitelistModel& Whitelist() { return *whitelist_; }
    NuisanceLogModel& Log() { return *log_; }
    NuisanceFileTask& FileTask() { return *task_; }
    // The rule in the editor, 0 for none.
    int EditedRule() const { return editing_; }

protected:
    void InitContent() override;
    void OnCloseClicked() override;

private:
    // Each page's list reads its rows on the reader thread.
    void ReloadLists();
    void ShowTotals();
    // A rule, whitelist entry or log row was clicked.
    void OnRuleButton(int row, int control);
    void OnWhitelistButton(int row, int control);
    void OnLogButton(int row, int control);
    void EditRule(int row);
    void AddRule();
    void SaveRule();
    void DeleteRules();
    void ShowCheck();
    void AddToWhitelist();
    void DeleteWhitelist();
    // The numbers of the checked log rows.
    QStringList CheckedLogNumbers() const;
    void DeleteLog();
    void ChooseFile(bool import);
    void SetImporting(bool importing);
    void OnImported(const NuisanceImportReport& report);
    void OnExported(bool ok, const QString& error);
    void SetContactsWin(bool on);

    Ui::dlg_nuisance ui_{};
    NuisanceRuleModel* rules_ = nullptr;
    NuisanceWhitelistModel* whitelist_ = nullptr;
    NuisanceLogModel* log_ = nullptr;
    NuisanceRuleDelegate* ruleRows_ = nullptr;
    NuisanceFileTask* task_ = nullptr;
    QPointer<QFileDialog> fileDialog_;
    int editing_ = 0;
};

} // namespace tamberlink
