#include "ui/shell/CMainWndUI.h"

#include "app/DeviceBridge.h"

#include "calllist/TempContactList.h"
#include "ui/account/AccountPanel.h"
#include "ui/account/AccountWindows.h"
#include "ui/account/CLoginRegUI.h"
#include "ui/calllist/CContactListTemp.h"
#include "ui/calls/CCallInUI.h"
#include "ui/calls/CCallOutUI.h"
#include "ui/calls/CRecordContainer.h"
#include "ui/contacts/CContactContainer.h"
#include "ui/contacts/CContactInfo.h"
#include "ui/notes/CNotepadContainer.h"
#include "ui/notes/CNotepadEdit.h"
#include "ui/notes/NoteWindows.h"
#include "ui/settings/COriginPrompt.h"
#include "ui/settings/CSettingExit.h"
#include "ui/settings/SettingWindows.h"
#include "ui/shell/Autostart.h"
#include "ui/shell/CDuiMenu.h"
#include "ui/shell/CMessageBox.h"
#include "ui/shell/CTipDialog.h"
#include "ui/shell/CTopCall.h"
#include "ui/shell/ClipboardCapture.h"
#include "ui/shell/DialLink.h"
#include "ui/shell/ProductLinks.h"
#include "ui/shell/TrayIcon.h"
#include "ui/sms/CDialogTemplate.h"
#include "ui/sms/CSmsContainer.h"
#include "ui/sms/CSmsEdit.h"
#include "ui/sms/CSmsNew.h"
#include "ui/sms/SmsWindows.h"
#include "ui/widgets/CButtonUI.h"
#include "ui/widgets/COptionUI.h"
#include "ui/widgets/Controls.h"
#include "ui/widgets/SkinImage.h"
#include "ui/widgets/UiLog.h"
#include "util/IniStore.h"
#include "util/PhoneNumber.h"
#include "util/Version.h"

#include "ui_main_window.h"
#include <QClipboard>
#include <QCloseEvent>
#include <QCursor>
#include <QDesktopServices>
#include <QDir>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QResizeEvent>
#include <QScreen>
#include <QShortcut>
#include <QSizeGrip>
#include <QStackedWidget>
#include <QUrl>

namespace tamberlink {

namespace {

CMainWndUI* gMainWindow = nullptr;

const std::string kWindowSection = "MAINWINDOW";
const std::string kGeometryKey = "GEOMETRY";

// A button of the form and the picture the code puts on it.
template <class Button>
struct ButtonPicture {
    Button* Ui::main_window::*button;
    const char16_t* foreImage;
};

// The tabs in page order.
constexpr ButtonPicture<COptionUI> kTabs[] = {
    {&Ui::main_window::ButtonRecord, u"file='titleTecord.png' dest='34,35,66,68'"},
    {&Ui::main_window::ButtonSms, u"file='titleSms.png' dest='29,35,73,68'"},
    {&Ui::main_window::ButtonContact, u"file='titleContact.png' dest='31,31,70,68'"},
    {&Ui::main_window::ButtonContactTemp, u"file='titleContactTemp.png' dest='31,31,70,68'"},
    {&Ui::main_window::ButtonNote, u"file='ButtonNotepad.png' dest='25,20,59,60'"},
};

constexpr ButtonPicture<CButtonUI> kTools[] = {
    {&Ui::main_window::ButtonCreate, u"file='btnNote.png' dest='25,21,62,58'"},
    {&Ui::main_window::ButtonLinkDevice, u"file='btnDeviceUnConn.png' dest='15,8,71,58'"},
    {&Ui::main_window::ButtonUpload, u"file='btnUpload.png' dest='21,25,66,58'"},
    {&Ui::main_window::ButtonDownload, u"file='btnDownload.png' dest='21,25,66,58'"},
    {&Ui::main_window::ButtonHelp, u"file='btnHelp.png' dest='32,25,55,58'"},
};

// Puts `page` in the place of the form's placeholder for it.
template <class Page>
Page* PutPage(QStackedWidget& pages, QWidget*& placeholder, Page* page) {
    page->setObjectName(placeholder->objectName());
    const int index = pages.indexOf(placeholder);
    pages.removeWidget(placeholder);
    delete placeholder;
    pages.insertWidget(index, page);
    placeholder = page;
    return page;
}

} // namespace

CMainWndUI::CMainWndUI(AppCore& core)
    : WindowImplBase(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::WindowMinimizeButtonHint |
                                  Qt::WindowSystemMenuHint)
    , core_(core) {
    gMainWindow = this;
    core_.SetUi(this);
}

CMainWndUI::~CMainWndUI() {
    Exit();
    core_.SetUi(nullptr);
    if (gMainWindow == this) {
        gMainWindow = nullptr;
    }
}

CMainWndUI* CMainWndUI::Instance() {
    return gMainWindow;
}

void CMainWndUI::Start(const std::optional<QString>& serialPort, bool inTray) {
    core_.Start();
    if (serialPort.has_value()) {
        core_.StartDeviceLink(*serialPort);
    }
    Create(QStringLiteral("Tamberlink拨号器"));
    setWindowIcon(QIcon(SkinPicture(QStringLiteral("logo.png"))));
    // The skin's size is the smallest; the lists take whatever more there is.
    setMinimumSize(Form()->size());
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    // Without a frame of its own, the window is resized from its corner.
    sizeGrip_ = new QSizeGrip(this);
    sizeGrip_->setObjectName(QStringLiteral("SizeGrip"));
    sizeGrip_->resize(sizeGrip_->sizeHint());
    sizeGrip_->move(width() - sizeGrip_->width(), height() - sizeGrip_->height());
    sizeGrip_->raise();

    tray_ = new TrayIcon(this);
    tray_->SetScreenOff(core_.Settings().ScreenOff());
    connect(tray_, &TrayIcon::ScreenOffToggleRequested, this, &CMainWndUI::ToggleScreenOff);
    connect(tray_, &TrayIcon::ShowRequested, this, &CMainWndUI::ShowNormal);
    connect(tray_, &TrayIcon::ExitRequested, this, &CMainWndUI::Exit);

    auto* hotKey = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_F10), this);
    hotKey->setContext(Qt::ApplicationShortcut);
    connect(hotKey, &QShortcut::activated, this, &CMainWndUI::ToggleScreenOff);

    connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this,
            &CMainWndUI::OnClipboardChanged);

    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        move(screen->availableGeometry().center() - rect().center());
    }
    RestoreGeometry();
    if (!inTray) {
        show();
    } else if (!tray_->IsShown()) {
        showMinimized();
    }
}

bool CMainWndUI::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonDblClick && !exiting_ && watched == Caption()) {
        if (isMaximized()) {
            showNormal();
        } else {
            showMaximized();
        }
        return true;
    }
    return WindowImplBase::eventFilter(watched, event);
}

void CMainWndUI::resizeEvent(QResizeEvent* event) {
    WindowImplBase::resizeEvent(event);
    if (sizeGrip_ != nullptr) {
        sizeGrip_->move(width() - sizeGrip_->width(), height() - sizeGrip_->height());
    }
}

QString CMainWndUI::IniPath() const {
    return TempContactList::IniPathFor(core_.DataRoot());
}

void CMainWndUI::RestoreGeometry() {
    IniStore ini(IniPath());
    ini.Load();
    const QByteArray saved =
        QByteArray::fromBase64(QByteArray::fromStdString(ini.Get(kWindowSection, kGeometryKey)));
    // restoreGeometry puts a window left on a screen that is gone back on one that is there.
    if (!saved.isEmpty() && restoreGeometry(saved)) {
        qCDebug(lcUi) << "main window restored at" << geometry();
    }
}

void CMainWndUI::SaveGeometry() {
    if (core_.DataRoot().isEmpty()) {
        return;
    }
    IniStore ini(IniPath());
    ini.Load();
    ini.Set(kWindowSection, kGeometryKey, saveGeometry().toBase64().toStdString());
    ini.Save();
}

bool CMainWndUI::IsAutostartOn() const {
    return Autostart().IsEnabled();
}

bool CMainWndUI::SetAutostart(bool on) {
    QString error;
    if (!Autostart().SetEnabled(on, QCoreApplication::applicationFilePath(), &error)) {
        qCWarning(lcUi).noquote() << "autostart:" << error;
        ShowTip(on ? QStringLiteral("无法设置开机启动，请检查是否有权限写入 %1")
                         .arg(QDir::toNativeSeparators(Autostart::DefaultFolder()))
                   : QStringLiteral("无法取消开机启动，请检查是否有权限写入 %1")
                         .arg(QDir::toNativeSeparators(Autostart::DefaultFolder())));
    }
    return IsAutostartOn();
}

void CMainWndUI::InitWindow() {
    for (const auto& picture : kTabs) {
        ((*ui_).*picture.button)->SetForeImage(QString::fromUtf16(picture.foreImage));
    }
    for (const auto& picture : kTools) {
        ((*ui_).*picture.button)->SetForeImage(QString::fromUtf16(picture.foreImage));
    }
    ui_->LabelLogo->setPixmap(SkinPicture(QStringLiteral("logo.png")));
    linkDevice_ = ui_->ButtonLinkDevice;
    ui_->ButtonVersion->setText(QStringLiteral("Tamberlink拨号器 ") +
                                QLatin1String(kProgramVersion));
    ui_->ButtonVersion->SetHotTextColor(Qt::white);
    accountWindows_ = new AccountWindows(this, core_, *new AccountPanel(ui_->LayoutAccount));
    noteWindows_ = new NoteWindows(this, core_);
    settingWindows_ = new SettingWindows(this, core_);
    smsWindows_ = new SmsWindows(this, core_, *sms_);
    ui_->PanelLoading->hide();
    pages_ = ui_->Pages;
    pages_->setCurrentIndex(0);
    ui_->ButtonRecord->Selected(true);
    ConnectButtons();
    records_->Build();
    {
        connect(records_, &CRecordContainer::DialRequested, this, &CMainWndUI::Dial);
        connect(records_, &CRecordContainer::NoteRequested, noteWindows_,
                &NoteWindows::OpenForCall);
        connect(records_, &CRecordContainer::AddContactRequested, this,
                &CMainWndUI::OpenAddContact);
        connect(records_, &CRecordContainer::SmsRequested, smsWindows_, &SmsWindows::OpenTo);
        records_->LoadCallLog();
    }
    contacts_->Build();
    {
        connect(contacts_, &CContactContainer::DialRequested, this, &CMainWndUI::Dial);
        connect(contacts_, &CContactContainer::SmsRequested, this,
                [this](const ContactRecord& contact) {
                    smsWindows_->OpenTo(contact.name, contact.phone);
                });
        contacts_->LoadContacts();
    }
    BuildSmsPage();
    tempContacts_->Build();
    {
        connect(tempContacts_, &CContactListTemp::SmsRequested, this,
                [this](const CContactListTemp::Recipients& people) {
                    SmsRecipients recipients;
                    for (const auto& [name, number] : people) {
                        recipients.push_back({name, number, {}});
                    }
                    smsWindows_->OpenNew(recipients);
                });
        tempContacts_->RestoreWorkbook();
    }
    notes_->Build();
    {
        connect(notes_, &CNotepadContainer::NewNoteRequested, noteWindows_, &NoteWindows::OpenNew);
        connect(notes_, &CNotepadContainer::NoteOpenRequested, noteWindows_, &NoteWindows::Open);
        notes_->LoadNoteList();
    }
}

QWidget* CMainWndUI::BuildForm() {
    ui_ = std::make_unique<Ui::main_window>();
    QWidget* form = SetUpForm(*ui_);
    SetCaption(ui_->LayoutHeader);
    QStackedWidget& pages = *ui_->Pages;
    records_ = PutPage(pages, ui_->RecordList, new CRecordContainer(core_));
    sms_ = PutPage(pages, ui_->SmsList, new CSmsContainer(core_));
    contacts_ = PutPage(pages, ui_->ContactList, new CContactContainer(core_));
    tempContacts_ = PutPage(pages, ui_->ContactTempList, new CContactListTemp(core_));
    notes_ = PutPage(pages, ui_->NotepadList, new CNotepadContainer(core_));
    return form;
}

void CMainWndUI::ConnectButtons() {
    // Once the exit has begun the window's buttons do nothing.
    const auto onClick = [this](QAbstractButton* button, auto action) {
        connect(button, &QAbstractButton::clicked, this, [this, action] {
            if (!exiting_) {
                action();
            }
        });
    };
    onClick(ui_->btnMin, [this] { Minimize(); });
    onClick(ui_->btnMenu, [this] { OpenMenu(QCursor::pos()); });
    onClick(ui_->ButtonCreate, [this] { noteWindows_->OpenNew(); });
    onClick(ui_->ButtonLinkDevice, [this] { core_.Device().Link().RequestSearch(); });
    onClick(ui_->ButtonUpload, [this] { StartBackup(); });
    onClick(ui_->ButtonDownload, [this] { StartSync(); });
    onClick(ui_->ButtonHelp, [this] { OpenUrl(kHelpPage); });
    onClick(ui_->ButtonVersion, [this] { OpenUrl(kHomePage); });
    searchBox_ = ui_->EditSerch;
    connect(searchBox_, &QLineEdit::returnPressed, this, &CMainWndUI::SearchContacts);
    connect(ui_->ButtonSerch, &QAbstractButton::clicked, this, &CMainWndUI::SearchContacts);
    for (int page = 0; page < int(std::size(kTabs)); ++page) {
        connect((*ui_).*kTabs[page].button, &QAbstractButton::toggled, this,
                [this, page](bool selected) {
                    if (selected && !exiting_) {
                        SelectPage(page);
                    }
                });
    }
}

void CMainWndUI::SelectPage(int page) {
    // The page already shown is not selected again.
    if (pages_->currentIndex() != page) {
        pages_->setCurrentIndex(page);
    }
    // The keypad types into the call records' number box: it goes with its page.
    if (page != 0 && records_ != nullptr) {
        records_->CloseKeyboard();
    }
    // The SMS tab shows the sent SMS, not the template manager.
    if (page == 1 && sms_ != nullptr) {
        sms_->HideTemplateManager();
    }
}

void CMainWndUI::OnCloseClicked() {
    OpenExitConfirmation();
}

void CMainWndUI::Minimize() {
    // Into the tray where there is one; without a tray hiding would lose the window.
    if (tray_ != nullptr && tray_->IsShown()) {
        hide();
    } else {
        showMinimized();
    }
}

void CMainWndUI::ShowNormal() {
    if (exiting_) {
        return;
    }
    qCDebug(lcUi) << "showing the main window";
    showNormal();
    raise();
    activateWindow();
}

void CMainWndUI::SearchContacts() {
    if (exiting_ || contacts_ == nullptr || searchBox_ == nullptr) {
        return;
    }
    contacts_->SearchFor(searchBox_->text());
    ui_->ButtonContact->Selected(true);
}

void CMainWndUI::OpenAddContact(const QString& phone) {
    if (exiting_ || CContactInfo::Instance() != nullptr) {
        return;
    }
    if (CContactInfo* dialog =
            CContactInfo::Open(this, core_, QStringLiteral("添加联系人"), QPoint())) {
        dialog->ShowAdd(phone);
        dialog->ShowAt(rect().center() - dialog->rect().center());
    }
}

bool CMainWndUI::AskOriginConsent(const OriginConsent::Question& question) {
    COriginPrompt* prompt = exiting_ ? nullptr : COriginPrompt::Ask(question);
    if (prompt == nullptr) {
        return false;
    }
    OriginConsent& origins = core_.Origins();
    connect(prompt, &COriginPrompt::Answered, this,
            [&origins](std::uint64_t id, bool allowed) { origins.Answer(id, allowed); });
    connect(prompt, &COriginPrompt::Dismissed, this,
            [&origins](std::uint64_t id) { origins.Dismiss(id); });
    return true;
}

void CMainWndUI::CloseOriginQuestion(std::uint64_t question) {
    if (COriginPrompt* prompt = COriginPrompt::Find(question)) {
        prompt->Close();
    }
}

void CMainWndUI::OfferDial(const QString& number) {
    // Cleaned as a tel: link is; nothing is shown for a text without a number.
    const QString offered = NumberFromDialLink(number);
    if (!offered.isEmpty()) {
        OfferNumber(offered);
    }
}

void CMainWndUI::OfferSms(const QStringList& numbers, const QString& content) {
    SmsRecipients recipients;
    for (const QString& given : numbers) {
        const QString number = PhoneNumber::Clean(given);
        if (!number.isEmpty()) {
            const QString name = core_.GetContactName(number);
            recipients.push_back({name.isEmpty() ? number : name, number, {}});
        }
    }
    if (CSmsNew* window = smsWindows_->OpenNew(recipients)) {
        window->SetContent(content);
        ShowNormal();
    }
}

void CMainWndUI::ConfirmRequest(const QString& question, std::function<void()> accept) {
    if (!exiting_) {
        ShowNormal();
        const QString title = QStringLiteral("网页请求");
        OpenWindow<CTipDialog>(this, title, kDialogPosition, question, std::move(accept), title);
    }
}

void CMainWndUI::OpenExitConfirmation() {
    if (exiting_ || CSettingExit::Instance() != nullptr) {
        return;
    }
    if (auto* dialog =
            OpenWindow<CSettingExit>(this, QStringLiteral("退出程序"), kDialogPosition)) {
        connect(dialog, &CSettingExit::ExitRequested, this, &CMainWndUI::Exit);
    }
}

void CMainWndUI::OpenMenu(const QPoint& globalPos) {
    if (exiting_) {
        return;
    }
    auto* menu = new CDuiMenu(*this);
    menu->Create(QStringLiteral("MenuWnd"));
    menu->ShowAt(globalPos);
}

void CMainWndUI::OpenAboutPage() {
    OpenUrl(kAboutPage);
}

void CMainWndUI::StartBackup() {
    if (CloudFlows* cloud = core_.Cloud()) {
        cloud->Backup().Start();
    } else {
        ShowTip(QStringLiteral("请登录后再备份联系人"));
    }
}

void CMainWndUI::StartSync() {
    if (CloudFlows* cloud = core_.Cloud()) {
        cloud->Sync().Start();
    } else {
        ShowTip(QStringLiteral("请登录后再同步联系人"));
    }
}

void CMainWndUI::OpenUrl(const char* address) {
    QDesktopServices::openUrl(QUrl(QString::fromLatin1(address)));
}

bool CMainWndUI::ToggleScreenOff() {
    if (exiting_) {
        return false;
    }
    const bool next = !core_.Settings().ScreenOff();
    if (!core_.SetScreenOff(next)) {
        return false;
    }
    if (tray_ != nullptr) {
        tray_->SetScreenOff(next);
    }
    return true;
}

void CMainWndUI::OnClipboardChanged() {
    if (exiting_ || !core_.Settings().ScreenOff()) {
        return;
    }
    const QString number = DialCandidate(QGuiApplication::clipboard()->text());
    if (!number.isEmpty()) {
        OpenQuickDial(number);
    }
}

void CMainWndUI::OfferNumber(const QString& number) {
    ShowNormal();
    if (!exiting_ && !number.isEmpty()) {
        OpenQuickDial(number);
    }
}

void CMainWndUI::OpenQuickDial(const QString& number) {
    qCDebug(lcUi) << "quick dial offers" << number;
    if (CTopCall* popup = CTopCall::Offer(number, QCursor::pos())) {
        connect(popup, &CTopCall::DialRequested, this, &CMainWndUI::Dial, Qt::UniqueConnection);
        connect(popup, &CTopCall::SmsRequested, this, &CMainWndUI::OpenSmsForNumber,
                Qt::UniqueConnection);
    }
}

void CMainWndUI::Dial(const QString& number, bool throughPhone) {
    if (!exiting_) {
        core_.Device().Calls().Dial(number, throughPhone);
    }
}

void CMainWndUI::ShowProgress() {
    if (exiting_) {
        return;
    }
    SetControlText(ui_->LabelTip, QString());
    ui_->PanelLoading->show();
    SetCloudBusy(true);
}

void CMainWndUI::SetCloudBusy(bool busy) {
    // Neither button starts another while one runs.
    ui_->ButtonUpload->setEnabled(!busy);
    ui_->ButtonDownload->setEnabled(!busy);
    // The search box would show through the panel.
    ui_->EditSerch->setVisible(!busy);
    ui_->ButtonSerch->setVisible(!busy);
}

void CMainWndUI::SetProgressText(const QString& text) {
    if (!exiting_) {
        SetControlText(ui_->LabelTip, text);
    }
}

void CMainWndUI::EndProgress() {
    if (ui_ != nullptr) {
        ui_->PanelLoading->hide();
        SetCloudBusy(false);
    }
}

bool CMainWndUI::IsProgressShown() const {
    return ui_ != nullptr && ui_->PanelLoading->isVisibleTo(this);
}

void CMainWndUI::ShowCodePicture(int form, const QString& path) {
    if (accountWindows_ != nullptr) {
        accountWindows_->ShowCodePicture(form, path);
    }
}

void CMainWndUI::ShowAccountResult(int result) {
    if (accountWindows_ != nullptr) {
        accountWindows_->ShowResult(result);
    }
}

void CMainWndUI::ShowLoggedIn(const QString& account, const QString& name, const QString& company) {
    if (accountWindows_ != nullptr) {
        accountWindows_->ShowLoggedIn(account, name, company);
    }
}

void CMainWndUI::ShowLoggedOut() {
    if (accountWindows_ != nullptr) {
        accountWindows_->ShowLoggedOut();
    }
}

void CMainWndUI::ShowNewVersion(const std::string& num, const std::string& url) {
    if (!exiting_) {
        settingWindows_->ShowVersion(true, num, url);
    }
}

void CMainWndUI::ShowNoNewVersion() {
    if (!exiting_) {
        settingWindows_->ShowVersion(false);
    }
}

void CMainWndUI::CloseFeedback() {
    if (settingWindows_ != nullptr) {
        settingWindows_->CloseFeedback();
    }
}

void CMainWndUI::ShowUpgradeStatus(const QString& windowText, const QString& tipText) {
    if (exiting_) {
        return;
    }
    if (!settingWindows_->ShowUpgradeStatus(windowText) && !tipText.isEmpty()) {
        ShowTip(tipText);
    }
}

void CMainWndUI::ShowTip(const QString& text) {
    if (!exiting_) {
        qCDebug(lcUi).noquote() << "notice:" << text;
        CMessageBox::ShowText(this, text);
    }
}

void CMainWndUI::SetDeviceIndicator(bool connected) {
    if (exiting_ || linkDevice_ == nullptr) {
        return;
    }
    linkDevice_->SetForeImage(connected
                                  ? QStringLiteral("file='btnDeviceConn.png' dest='15,8,71,58'")
                                  : QStringLiteral("file='btnDeviceUnConn.png' dest='15,8,71,58'"));
    linkDevice_->setToolTip(connected ? QStringLiteral("设备已连接") : QStringLiteral("连接设备"));
}

void CMainWndUI::ShowIncomingCall(const IncomingCall& call) {
    if (exiting_) {
        return;
    }
    if (CCallInUI* popup = CCallInUI::Show(core_, call)) {
        connect(popup, &CCallInUI::NoteRequested, this, &CMainWndUI::OpenNoteForCaller,
                Qt::UniqueConnection);
    }
}

void CMainWndUI::OpenNoteForCaller(const QString& name, const QString& number,
                                   const QString& head) {
    ShowNormal();
    noteWindows_->OpenForCaller(name, number, head);
}

void CMainWndUI::ShowOutgoingCall(const OutgoingCall& call) {
    if (!exiting_) {
        CCallOutUI::Show(this, core_, call);
    }
}

void CMainWndUI::CloseOutgoingCall() {
    if (CCallOutUI* popup = CCallOutUI::Instance()) {
        popup->Close();
    }
}

void CMainWndUI::CloseCallPopups() {
    CallPopup::CloseAll();
}

void CMainWndUI::SetRecordingAnimation(bool playing) {
    if (!exiting_) {
        CallPopup::SetRecordingAnimation(playing);
    }
}

void CMainWndUI::ReloadCallLog() {
    if (!exiting_ && records_ != nullptr) {
        records_->LoadCallLog();
    }
}

void CMainWndUI::ReloadContacts() {
    if (!exiting_ && contacts_ != nullptr) {
        contacts_->LoadContacts();
    }
}

void CMainWndUI::ShowAddedContacts(const std::vector<ContactRecord>& contacts) {
    if (!exiting_ && contacts_ != nullptr) {
        contacts_->ShowAddedContacts(contacts);
    }
}

void CMainWndUI::ReloadNoteList() {
    if (!exiting_ && notes_ != nullptr) {
        notes_->LoadNoteList();
    }
}

void CMainWndUI::CallLogRowsChanged(const std::vector<int>& ids) {
    if (!exiting_ && records_ != nullptr) {
        records_->RefreshRows(ids);
    }
}

void CMainWndUI::NoteRowsChanged(const std::vector<int>& ids) {
    if (!exiting_ && notes_ != nullptr) {
        notes_->RefreshRows(ids);
    }
}

void CMainWndUI::BuildSmsPage() {
    sms_->Build();
    connect(sms_, &CSmsContainer::NewSmsRequested, this, [this] { smsWindows_->OpenNew(); });
    connect(sms_, &CSmsContainer::SmsOpenRequested, smsWindows_, &SmsWindows::OpenFromList);
    connect(sms_, &CSmsContainer::DialRequested, this, &CMainWndUI::Dial);
    connect(sms_, &CSmsContainer::NewTemplateRequested, this,
            [this] { smsWindows_->OpenTemplateEditor({}); });
    connect(sms_, &CSmsContainer::TemplateOpenRequested, smsWindows_,
            &SmsWindows::OpenTemplateEditor);
    sms_->LoadSmsList();
}

void CMainWndUI::OpenSmsForNumber(const QString& copied) {
    // A copied number may be written "+86 138-...".
    const QString number = PhoneNumber::Clean(copied);
    const QString name = core_.GetContactName(number);
    // The main window may be in the tray while a number is copied elsewhere.
    if (smsWindows_->OpenTo(name.isEmpty() ? number : name, number) != nullptr) {
        ShowNormal();
    }
}

void CMainWndUI::ShowNoteReminder(int noteId) {
    if (noteWindows_ != nullptr) {
        noteWindows_->ShowReminder(noteId);
    }
}

void CMainWndUI::closeEvent(QCloseEvent* event) {
    // The window manager's close asks first, as the close button does.
    event->ignore();
    if (!exiting_) {
        OpenExitConfirmation();
    }
}

void CMainWndUI::Exit() {
    if (exiting_) {
        return;
    }
    exiting_ = true;
    if (Form() != nullptr) {
        smsWindows_->Stop();
        noteWindows_->Stop();
        settingWindows_->Stop();
        accountWindows_->Stop();
    }
    if (Form() != nullptr) {
        SaveGeometry();
    }
    if (tray_ != nullptr) {
        tray_->Remove();
    }
    EndProgress();
    if (CTopCall* popup = CTopCall::Instance()) {
        popup->Close();
    }
    CallPopup::CloseAll();
    COriginPrompt::CloseAll();
    core_.Shutdown();
    hide();
    QCoreApplication::quit();
}

} // namespace tamberlink
