#pragma once

#include "app/AppCore.h"
#include "app/UiSink.h"
#include "ui/sms/SmsRecipient.h"
#include "ui/widgets/WindowImplBase.h"

#include <QPointer>

#include <memory>

#include <optional>

class QLineEdit;
class QStackedWidget;

namespace Ui {
class main_window;
}

namespace tamberlink {

class AccountWindows;
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

// The main window "Tamberlink拨号器" (902 x 602) and the user interface of a core made
// before it: the five pages and their tabs, the tool buttons, the account and progress
// panels, the main menu and the settings dialogs, every notice, the tray icon, Ctrl+F10 and
// the quick dial of copied numbers. Created once; one process-wide instance. The window
// reports to the core from its construction to its destruction; the core outlives it.
class CMainWndUI : public WindowImplBase, public UiSink {
    Q_OBJECT

public:
    static constexpr QPoint kDialogPosition{250, 150};

    explicit CMainWndUI(AppCore& core);
    ~CMainWndUI() override;

    static CMainWndUI* Instance();

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

    // A call through the telephone box (landline) or through the phone.
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
    // Page 0, the call records; nullptr when its skin could not be built.
    CRecordContainer* RecordPage() const { return records_; }
    // Page 1, the SMS; nullptr when its skin could not be built.
    CSmsContainer* SmsPage() const { return sms_; }
    // Page 3, the temporary contacts; nullptr when its skin could not be built.
    CContactListTemp* TempContactPage() const { return tempContacts_; }
    // Page 4, the notes; nullptr when its skin could not be built.
    CNotepadContainer* NotePage() const { return notes_; }
    // Page 2, the contacts; nullptr when its skin could not be built.
    CContactContainer* ContactPage() const { return contacts_; }

    // The header's search box: searches the contacts for its text and shows them.
    void SearchContacts();
    // The add-contact button of a call: the contact dialog, centred, to add the number;
    // nothing while a contact dialog is open.
    void OpenAddContact(const QString& phone);

    QString GetWindowClassName() const override { return QStringLiteral("TamberlinkMain"); }
    QWidget* BuildForm() override;

    // UiSink
    void ShowTip(const QString& text) override;
    void SetDeviceIndicator(bool connected) override;
    void ShowIncomingCall(const IncomingCall& call) override;
    void ShowOutgoingCall(const OutgoingCall& call) override;
    void CloseOutgoingCall() override;
    void CloseCallPopups() override;
    void SetRecordingAnimation(bool playing) override;
    void ReloadCallLog() override;
    void ReloadNoteList() override;
    void ReloadContacts() override;
    void ShowAddedContacts(const std::vector<ContactRecord>& contacts) override;
    void CallLogRowsChanged(const std::vector<int>& ids) override;
    void NoteRowsChanged(const std::vector<int>& ids) override;
    void ShowNoteReminder(int noteId) override;
    void ShowProgress() override;
    void SetProgressText(const QString& text) override;
    void EndProgress() override;
    void ShowCodePicture(int form, const QString& path) override;
    void ShowAccountResult(int result) override;
    void ShowLoggedIn(const QString& account, const QString& name, const QString& company) override;
    void ShowLoggedOut() override;
    void ShowNewVersion(const std::string& num, const std::string& url) override;
    void ShowNoNewVersion() override;
    void CloseFeedback() override;
    void ShowUpgradeStatus(const QString& windowText, const QString& tipText) override;
    bool AskOriginConsent(const OriginConsent::Question& question) override;
    void CloseOriginQuestion(std::uint64_t question) override;
    void OfferDial(const QString& number) override;
    void OfferSms(const QStringList& numbers, const QString& content) override;
    void ConfirmRequest(const QString& question, std::function<void()> accept) override;

protected:
    void InitWindow() override;
    // A double click on the header maximises the window or gives it its size back.
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    // The close button asks first.
    void OnCloseClicked() override;
    void closeEvent(QCloseEvent* event) override;

private:
    void ConnectButtons();
    // A backup or sync of the contacts; without the cloud part the user is told to log in.
    void StartBackup();
    void StartSync();
    void SelectPage(int page);
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
    // The incoming popup's note button: a note about the caller over the main window.
    void OpenNoteForCaller(const QString& name, const QString& number, const QString& head);
    void BuildSmsPage();

    AppCore& core_;
    TrayIcon* tray_ = nullptr;
    QStackedWidget* pages_ = nullptr;
    CRecordContainer* records_ = nullptr;
    CSmsContainer* sms_ = nullptr;
    CContactListTemp* tempContacts_ = nullptr;
    CNotepadContainer* notes_ = nullptr;
    CContactContainer* contacts_ = nullptr;
    QLineEdit* searchBox_ = nullptr;
    CButtonUI* linkDevice_ = nullptr;
    AccountWindows* accountWindows_ = nullptr;
    NoteWindows* noteWindows_ = nullptr;
    SettingWindows* settingWindows_ = nullptr;
    SmsWindows* smsWindows_ = nullptr;
    QWidget* sizeGrip_ = nullptr;
    bool exiting_ = false;
    std::unique_ptr<Ui::main_window> ui_;
};

} // namespace tamberlink
