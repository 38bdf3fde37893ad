#pragma once

#include "calllist/TempContactList.h"
#include "dialler/Campaign.h"
#include "ui/widgets/WindowImplBase.h"
#include "ui_dlg_dial_campaign.h"

#include <vector>

class QKeyEvent;

namespace tamberlink {

class AppCore;
class PowerDialler;

// "连续拨号": sets a campaign over the call list up (line, all unfinished rows or the checked
// ones, wrap-up time, recall rules) and then follows it: the person being called with where
// the number belongs and the earlier attempts, who comes next and the progress. The keys
// drive it: 1-4 choose the outcome, other typing goes to the remark, Enter saves and goes
// on, S skips, Space pauses and goes on, Ctrl+Z takes the last outcome back. The keys act
// as keys while the remark is empty; once it holds text they are text. Closing the panel
// pauses the campaign.
class CDialCampaign : public WindowImplBase {
    Q_OBJECT

public:
    static constexpr QPoint kPosition{170, 60};
    static QString Title() { return QStringLiteral("连续拨号"); }

    // `list` as the call list shows it; `checkedRows` the sheet rows checked there.
    CDialCampaign(QWidget* parent, AppCore& core, const TempContactList& list,
                  std::vector<int> checkedRows);

    QWidget* BuildForm() override { return SetUpForm(ui_); }

    // The form's controls, for whoever drives the panel.
    const Ui::dlg_dial_campaign& Controls() const { return ui_; }
    // The outcome chosen for the current person; 0 for none yet.
    int ChosenOutcome() const { return chosen_; }

    // Starts the campaign with the settings shown.
    bool Start();

protected:
    void InitWindow() override;
    void OnCloseClicked() override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    // True when the key was one of the panel's.
    bool HandleKey(const QKeyEvent& key);
    void Choose(int outcome);
    void Save();
    void Refresh();
    QString PhaseText() const;
    QString HistoryText(const QString& number);

    AppCore& core_;
    PowerDialler& dialler_;
    TempContactList list_;
    std::vector<int> checkedRows_;
    int chosen_ = 0;
    int shownEntry_ = -1;
    Ui::dlg_dial_campaign ui_;
};

} // namespace tamberlink
