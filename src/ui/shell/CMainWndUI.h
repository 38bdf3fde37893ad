#pragma once

#include "app/AppCore.h"
#include "app/UiSink.h"
#include "ui/shell/MainPages.h"
#include "ui/sms/SmsRecipient.h"
#include "ui/widgets/WindowImplBase.h"
#include "ui_main_window.h"

#include <QPointer>

#include <memory>

#include <optional>

class QLineEdit;

namespace tamberlink {

class AccountWindows;
class CallPopups;
class CSettingExit;
class CTopCall;
class CButtonUI;
class CContactContainer;
class CDialogTemplate;
class CContactListTemp;
class CLoginRegUI;
class CNotepadContainer;
class CNotepadEdit;
class CRecordContainer;
class CSmsContainer;
class CSmsEdit;
class CSmsNew;
class NoteWindows;
class SettingWindows;
class SmsWindows;
class TrayIcon;
class DesktopNotifier;
class UiRouter;

// The main window "Tamberlink拨号器" (902 x 602) of a core made before it: its header (tool
// buttons, account and progress panels, search box), the tabs over the five pages
// (MainPages), the main menu, the tray icon, Ctrl+F10 and the quick dial of copied numbers.
// The windows of each area are opened by their own classes (AccountWindows, NoteWindows,
// SettingWindows, SmsWindows), and what the core asks of the desktop goes through UiRouter,
// from the window's construction to its destruction; the core outlives it.
class CMainWndUI : public WindowImplBase {
    Q_OBJECT

public:
    static constexpr QPoint kDialogPosition{250, 150};

    explicit CMainWndUI(AppCore& core);
    ~CMainWndUI() override;

    // Starts the core (folders, databases, settings) and, when `serialPort` is given, the
    // search for the telephone box (that port first, an empty text for the machine's serial
    // ports only); then builds the window, its pages, the tray icon and the clipboard
    // capture, and shows it where and as large as it was left (centred at its smallest the
    // first time); `inTray` leaves it in the tray instead (minimised without a tray). A
    // database that fails to open leaves the window running without settings.
    void Start(const std::optional<QString>& serialPort = std::nullopt, bool inTray = false);

    // The exit sequence: tray icon, the core's shutdown (databases, recorder, temporary
    // files, reminders), then the event loop ends. Runs once; windows events and notices
    // that arrive afterwards are ignored.
    void Exit();
    bool IsExiting() const { return exiting_; }

    AppCore& Core() { return core_; }

    // Shows the window normally: from the tray, minimised or behind other windows.
    void ShowNormal();
    // Shows the window and, when `number` is not empty, offers it in the quick dial (a number
    // or link the program was started with, or handed over by another start).
    void OfferNumber(const QString& number);

    // A call through the telephone box (landline) or through the phone; a number on the
    // do-not-call list is dialled only once the user has said yes.
    void Dial(const QString& number, bool throughPhone);

    // Dialogs of the menu that are not settings; each exists at most once.
    void OpenExitConfirmation();
    void OpenMenu(const QPoint& globalPos);
    void OpenAboutPage();
    // The windows of each area, opened from the pages, the header and the core's requests.
    AccountWindows& Account() { return *accountWindows_; }
    NoteWindows& Notes() { return *noteWindows_; }
    SettingWindows& Settings() { return *settingWindows_; }
    SmsWindows& Sms() { return *smsWindows_; }

    // Turns screen word capture the other way (Ctrl+F10, the tray and the menu). A toggle
    // within the quiet time after the last one is refused; returns whether it was taken.
    bool ToggleScreenOff();
    // "开机启动": whether the desktop starts the program at login (Autostart), and turning
    // it on or off; a refusal of the desktop's folder is told. Returns the state in force.
    bool IsAutostartOn() const;
    bool SetAutostart(bool on);

    // Whether the progress panel of a contact backup or sync shows; the cloud flows show and
    // end it, and their watchdog ends a wait that takes too long.
    bool IsProgressShown() const;

    // Something was copied: offers a copied number in the quick dial while screen word
    // capture is on. What the clipboard held before the start is not offered.
    void OnClipboardChanged();

    // The quick dial's SMS: an SMS to the number, named as its contact.
    void OpenSmsForNumber(const QString& number);

    TrayIcon& Tray() { return *tray_; }
    DesktopNotifier& Notifier() { return *notifier_; }
    // The pages, for what shows on them.
    CRecordContainer* RecordPage() const { return &pages_->Records(); }
    CSmsContainer* SmsPage() const { return &pages_->Sms(); }
    CContactContainer* ContactPage() const { return &pages_->Contacts(); }
    CContactListTemp* TempContactPage() const { return &pages_->CallList(); }
    CNotepadContainer* NotePage() const { return &pages_->Notes(); }

    // The header's search box: searches the contacts for its text and shows them.
    void SearchContacts();
    // The add-contact button of a call: the contact dialog, centred, to add the number;
    // nothing while a contact dialog is open.
    void OpenAddContact(const QString& phone);
    // The call popups, which exist before the window is built.
    CallPopups& Calls() { return *callPopups_; }

    QString GetWindowClassName() const override { return QStringLiteral("TamberlinkMain"); }
    QWidget* BuildForm() override;

    // The core's requests, handed to the parts of the desktop that show them.
    UiSink& Sink();
    bool IsBuilt() const { return Form() != nullptr; }
    MainPages& Pages() { return *pages_; }

    // The header: the box's connection indicator, and the progress panel of a contact backup
    // or sync, which takes the search box's place.
    void SetDeviceIndicator(bool connected);
    void ShowProgress();
    void SetProgressText(const QString& text);
    void EndProgress();

    // The incoming popup's note button: a note about the caller over the main window.
    void OpenNoteForCaller(const QString& name, const QString& number, const QString& head);

protected:
    void InitWindow() override;
    // A double click on the header maximises the window or gives it its size back.
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    // The close button asks first.
    void OnCloseClicked() override;
    void closeEvent(QCloseEvent* event) override;

private:
    // The title (and the tray's tooltip) tell how many missed calls wait to be called back.
    void ShowFollowUpCount(int count);
    void ConnectButtons();
    // A backup or sync of the contacts; without the cloud part the user is told to log in.
    void StartBackup();
    void StartSync();
    // A backup or sync runs: the cloud buttons rest and the progress panel takes the search box's
    // place.
    void SetCloudBusy(bool busy);
    // Where and how large the window was left, kept in the data root's INI file.
    void RestoreGeometry();
    void SaveGeometry();
    QString IniPath() const;
    void Minimize();
    void OpenUrl(const char* address);
    void OpenQuickDial(const QString& number);

    AppCore& core_;
    TrayIcon* tray_ = nullptr;
    DesktopNotifier* notifier_ = nullptr;
    MainPages* pages_ = nullptr;
    UiRouter* router_ = nullptr;
    CallPopups* callPopups_ = nullptr;
    QPointer<CTopCall> quickDial_;
    QPointer<CSettingExit> exitQuestion_;
    AccountWindows* accountWindows_ = nullptr;
    NoteWindows* noteWindows_ = nullptr;
    SettingWindows* settingWindows_ = nullptr;
    SmsWindows* smsWindows_ = nullptr;
    QWidget* sizeGrip_ = nullptr;
    bool exiting_ = false;
    Ui::main_window ui_{};
};

} // namespace tamberlink
