#pragma once

#include "ui/calls/CItemRecordUI.h"
#include "ui/lists/ItemRowDelegate.h"

#include "store/CallLogRecord.h"
#include "ui/calls/CItemRecordUI.h"
#include "ui_page_calls.h"

#include <QPointer>
#include <QWidget>

#include <atomic>
#include <memory>
#include <optional>

#include <vector>

class QLineEdit;
class QMenu;
class QListView;

namespace tamberlink {

using CallLogDelegate = ItemRowDelegate<CItemRecordUI>;

class AppCore;
class CButtonUI;
class CSoftKeyboard;
class CallLogModel;
class RecordingPlayback;

// The call records page: the number box with its two call buttons and the keypad, and the
// call log, newest first, with the delete button and the select-all box. Each row shows
// one call and, under the mouse, its call, SMS and add-contact buttons; a recorded call
// has a play button.
class CRecordContainer : public QWidget {
    Q_OBJECT

public:
    static constexpr int kNumberMaxLength = 20;

    explicit CRecordContainer(AppCore& core, QWidget* parent = nullptr);
    ~CRecordContainer() override;

    // Builds the page from "page_calls.ui".
    void Build();

    // Deletes the checked calls from the list and the call log.
    void DeleteCheckedRows();
    // Delete on a row: asks, then deletes that entry alone.
    void AskToDeleteRow(int row);
    void DialFromNumberBox(bool throughPhone);
    void DialRow(int row, bool throughPhone);
    void OpenOrCloseKeyboard();
    void CloseKeyboard();
    // A key of the keypad: its text is appended to the number box; the empty text takes
    // the last character back.
    void KeyboardInput(const QString& text);
    // Reads the whole call log again in the background; the rows shown stay until it lands.
    void LoadCallLog();
    // Reads the calls `ids` again after a write: new calls come in at the top, changed ones
    // are repainted, deleted ones leave.
    void RefreshRows(const std::vector<int>& ids);
    // The menu of a row's right click (or the menu key): "拦截此号码", "不是骚扰" for a call a
    // nuisance rule labelled, and the nuisance rules' window. Shown at `at` when given; null
    // for a row without a call.
    QMenu* OpenRowMenu(int row, std::optional<QPoint> at = std::nullopt);

    // "待回拨": the list shows only the newest missed call of each number waiting to be called
    // back, or the whole call log again.
    void ShowFollowUpOnly(bool on);
    bool IsFollowUpOnly() const { return *followUpOnly_; }
    // The number of calls waiting changed: the button's badge, and the list when it shows them.
    void FollowUpChanged(int count);
    CButtonUI* FollowUpButton() const { return followUpButton_; }

    CallLogModel& Model() { return *model_; }
    QListView* List() const { return ui_.ListRecord; }
    QLineEdit* NumberBox() const { return ui_.PanelEdit; }
    CButtonUI* DeleteButton() const { return deleteButton_; }
    CButtonUI* SelectAllBox() const { return selectAll_; }
    CSoftKeyboard* Keyboard() const;
    RecordingPlayback& Playback() { return *playback_; }
    CallLogDelegate& Delegate() { return *delegate_; }

signals:
    void DialRequested(const QString& number, bool throughPhone);
    void SmsRequested(const QString& name, const QString& phone);
    void AddContactRequested(const QString& phone);
    void NoteRequested(const tamberlink::CallLogRecord& entry);
    void NuisanceSettingsRequested();
    void HistoryRequested(const QString& number, const QString& name);

private:
    void ToggleAll();
    void OnButtonReleased(int row, int control);
    void MakeToolbar(QWidget* toolbar);
    void ForgetRemovedPlayers();

    AppCore& core_;
    CallLogModel* model_ = nullptr;
    RecordingPlayback* playback_ = nullptr;
    CallLogDelegate* delegate_ = nullptr;
    CButtonUI* deleteButton_ = nullptr;
    CButtonUI* selectAll_ = nullptr;
    CButtonUI* followUpButton_ = nullptr;
    // Read by the list's reloads on the database reader.
    std::shared_ptr<std::atomic<bool>> followUpOnly_ = std::make_shared<std::atomic<bool>>(false);
    QPointer<CSoftKeyboard> keyboard_;
    Ui::page_calls ui_{};
};

} // namespace tamberlink
