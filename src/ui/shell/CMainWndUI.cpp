#include "ui/shell/CMainWndUI.h"

#include "app/DeviceBridge.h"

#include "calllist/TempContactList.h"
#include "ui/account/AccountPanel.h"
#include "ui/account/AccountWindows.h"
#include "ui/calls/CRecordContainer.h"
#include "ui/calls/CallPopups.h"
#include "ui/contacts/CContactContainer.h"
#include "ui/notes/NoteWindows.h"
#include "ui/settings/COriginPrompt.h"
#include "ui/settings/CSettingExit.h"
#include "ui/settings/SettingWindows.h"
#include "ui/shell/Autostart.h"
#include "ui/shell/CDuiMenu.h"
#include "ui/shell/CTipDialog.h"
#include "ui/shell/CTopCall.h"
#include "ui/shell/ClipboardCapture.h"
#include "ui/shell/DesktopNotices.h"
#include "ui/shell/DesktopNotifier.h"
#include "ui/shell/MainPages.h"
#include "ui/shell/ProductLinks.h"
#include "ui/shell/TrayIcon.h"
#include "ui/shell/UiRouter.h"
#include "ui/sms/SmsWindows.h"
#include "ui/widgets/CButtonUI.h"
#include "ui/widgets/COptionUI.h"
#include "ui/widgets/Controls.h"
#include "ui/widgets/SkinImage.h"
#include "ui/widgets/UiLog.h"
#include "util/IniStore.h"
#include "util/PhoneNumber.h"
#include "util/Version.h"

#include <QClipboard>
#include <QCloseEvent>
#include <QCursor>
#include <QDeadlineTimer>
#include <QDesktopServices>
#include <QDir>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QResizeEvent>
#include <QScreen>
#include <QShortcut>
#include <QSizeGrip>
#include <QUrl>
#include <QWindow>

namespace tamberlink {

namespace {

const std::string kWindowSection = "MAINWINDOW";
const std::string kGeometryKey = "GEOMETRY";
// How long the upgrade notice waits for the display to map it.
constexpr int kNoticeMapMs = 500;

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

} // namespace

CMainWndUI::CMainWndUI(AppCore& core)
    : WindowImplBase(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::WindowMinimizeButtonHint |
                                  Qt::WindowSystemMenuHint)
    , core_(core) {
    callPopups_ = new CallPopups(this, core_);
    router_ = new UiRouter(*this, core_);
    core_.SetUi(router_);
}

CMainWndUI::~CMainWndUI() {
    Exit();
    core_.SetUi(nullptr);
}

UiSink& CMainWndUI::Sink() {
    return *router_;
}

void CMainWndUI::ShowFollowUpCount(int count) {
    const QString title = QStringLiteral("Tamberlink拨号器");
    setWindowTitle(count > 0 ? title + QStringLiteral("（待回拨 %1）").arg(count) : title);
    if (tray_ != nullptr) {
        tray_->SetWaiting(count);
    }
}

void CMainWndUI::Start(const std::optional<QString>& serialPort, bool inTray) {
    // An upgrade of years of history holds this thread for a while: the user is told first.
    std::unique_ptr<QLabel> upgrading;
    core_.SetUpgradeNotice([&upgrading](bool shown) {
        if (!shown) {
            upgrading.reset();
            return;
        }
        upgrading = std::make_unique<QLabel>(
            QStringLiteral("正在升级通话记录和联系人的数据，记录较多时需要一点时间，请稍候……"));
        upgrading->setObjectName(QStringLiteral("UpgradeNotice"));
        upgrading->setWindowTitle(QStringLiteral("Tamberlink拨号器"));
        upgrading->setWindowFlags(Qt::SplashScreen | Qt::WindowStaysOnTopHint);
        upgrading->setAlignment(Qt::AlignCenter);
        upgrading->setMargin(28);
        upgrading->setFont(SkinFont(0));
        upgrading->adjustSize();
        if (const QScreen* screen = QGuiApplication::primaryScreen()) {
            upgrading->move(screen->availableGeometry().center() - upgrading->rect().center());
        }
        upgrading->show();
        // Painted once the display has mapped it, before the upgrade holds this thread.
        QDeadlineTimer mapped(kNoticeMapMs);
        while (!upgrading->windowHandle()->isExposed() && !mapped.hasExpired()) {
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 10);
        }
        upgrading->repaint();
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    });
    core_.Start();
    core_.SetUpgradeNotice({});
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
    notifier_ = new DesktopNotifier(QDBusConnection::sessionBus(), this);
    notifier_->SetFallback(
        [this](const QString& title, const QString& text) { tray_->ShowMessage(title, text); });
    connect(notifier_, &DesktopNotifier::CallBackRequested, this,
            [this](const QString& number) { Dial(number, false); });
    new DesktopNotices(core_, *notifier_, this);
    connect(&core_.FollowUp(), &FollowUpTracker::Changed, this, &CMainWndUI::ShowFollowUpCount);
    ShowFollowUpCount(core_.FollowUp().Count());

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
        router_->ShowTip(on ? QStringLiteral("无法设置开机启动，请检查是否有权限写入 %1")
                                  .arg(QDir::toNativeSeparators(Autostart::DefaultFolder()))
                            : QStringLiteral("无法取消开机启动，请检查是否有权限写入 %1")
                                  .arg(QDir::toNativeSeparators(Autostart::DefaultFolder())));
    }
    return IsAutostartOn();
}

void CMainWndUI::InitWindow() {
    for (const auto& picture : kTabs) {
        (ui_.*picture.button)->SetForeImage(QString::fromUtf16(picture.foreImage));
    }
    for (const auto& picture : kTools) {
        (ui_.*picture.button)->SetForeImage(QString::fromUtf16(picture.foreImage));
    }
    ui_.LabelLogo->setPixmap(SkinPicture(QStringLiteral("logo.png")));
    ui_.ButtonVersion->setText(QStringLiteral("Tamberlink拨号器 ") +
                               QLatin1String(kProgramVersion));
    ui_.ButtonVersion->SetHotTextColor(Qt::white);
    accountWindows_ = new AccountWindows(this, core_, *new AccountPanel(ui_.LayoutAccount));
    noteWindows_ = new NoteWindows(this, core_);
    connect(&core_, &AppCore::NoteReminderDue, noteWindows_, &NoteWindows::ShowReminder);
    settingWindows_ = new SettingWindows(this, core_);
    smsWindows_ = new SmsWindows(this, core_, pages_->Sms(), *callPopups_);
    ui_.PanelLoading->hide();
    ui_.ButtonRecord->Selected(true);
    ConnectButtons();
    connect(pages_, &MainPages::DialRequested, this, &CMainWndUI::Dial);
    connect(pages_, &MainPages::AddContactRequested, this, &CMainWndUI::OpenAddContact);
    pages_->Build(*smsWindows_, *noteWindows_);
    connect(&pages_->Records(), &CRecordContainer::NuisanceSettingsRequested, settingWindows_,
            [this] { settingWindows_->OpenNuisance(); });
}

QWidget* CMainWndUI::BuildForm() {
    QWidget* form = SetUpForm(ui_);
    SetCaption(ui_.LayoutHeader);
    // The placeholders go with the pages that take their places.
    pages_ = new MainPages(*ui_.Pages, core_, *callPopups_);
    ui_.RecordList = ui_.SmsList = ui_.ContactList = ui_.ContactTempList = ui_.NotepadList =
        nullptr;
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
    onClick(ui_.btnMin, [this] { Minimize(); });
    onClick(ui_.btnMenu, [this] { OpenMenu(QCursor::pos()); });
    onClick(ui_.ButtonCreate, [this] { noteWindows_->OpenNew(); });
    onClick(ui_.ButtonLinkDevice, [this] { core_.Device().Link().RequestSearch(); });
    onClick(ui_.ButtonUpload, [this] { StartBackup(); });
    onClick(ui_.ButtonDownload, [this] { StartSync(); });
    onClick(ui_.ButtonHelp, [this] { OpenUrl(kHelpPage); });
    onClick(ui_.ButtonVersion, [this] { OpenUrl(kHomePage); });
    connect(ui_.EditSerch, &QLineEdit::returnPressed, this, &CMainWndUI::SearchContacts);
    connect(ui_.ButtonSerch, &QAbstractButton::clicked, this, &CMainWndUI::SearchContacts);
    for (int page = 0; page < int(std::size(kTabs)); ++page) {
        connect(ui_.*kTabs[page].button, &QAbstractButton::toggled, this,
                [this, page](bool selected) {
                    if (selected && !exiting_) {
                        pages_->Select(page);
                    }
                });
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
    if (exiting_ || ui_.EditSerch == nullptr) {
        return;
    }
    pages_->Contacts().SearchFor(ui_.EditSerch->text());
    ui_.ButtonContact->Selected(true);
}

void CMainWndUI::OpenAddContact(const QString& phone) {
    if (!exiting_) {
        pages_->Contacts().OpenAddForNumber(phone);
    }
}

void CMainWndUI::OpenExitConfirmation() {
    if (exiting_ || IfOpen(exitQuestion_) != nullptr) {
        return;
    }
    exitQuestion_ = OpenWindow<CSettingExit>(this, QStringLiteral("退出程序"), kDialogPosition);
    connect(exitQuestion_, &CSettingExit::ExitRequested, this, &CMainWndUI::Exit);
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
        router_->ShowTip(QStringLiteral("请登录后再备份联系人"));
    }
}

void CMainWndUI::StartSync() {
    if (CloudFlows* cloud = core_.Cloud()) {
        cloud->Sync().Start();
    } else {
        router_->ShowTip(QStringLiteral("请登录后再同步联系人"));
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
    if (CTopCall* popup = CTopCall::Offer(quickDial_, number, QCursor::pos())) {
        connect(popup, &CTopCall::DialRequested, this, &CMainWndUI::Dial, Qt::UniqueConnection);
        connect(popup, &CTopCall::SmsRequested, this, &CMainWndUI::OpenSmsForNumber,
                Qt::UniqueConnection);
    }
}

void CMainWndUI::Dial(const QString& number, bool throughPhone) {
    if (exiting_) {
        return;
    }
    if (!core_.IsDoNotCall(number)) {
        core_.Device().Calls().Dial(number, throughPhone);
        return;
    }
    AskOnPage(this, QStringLiteral("该号码在免打扰名单中，仍要拨打吗？"),
              [this, number, throughPhone] {
                  if (!exiting_) {
                      core_.Device().Calls().Dial(number, throughPhone, {}, true);
                  }
              });
}

void CMainWndUI::ShowProgress() {
    if (exiting_) {
        return;
    }
    SetControlText(ui_.LabelTip, QString());
    ui_.PanelLoading->show();
    SetCloudBusy(true);
}

void CMainWndUI::SetCloudBusy(bool busy) {
    // Neither button starts another while one runs.
    ui_.ButtonUpload->setEnabled(!busy);
    ui_.ButtonDownload->setEnabled(!busy);
    // The search box would show through the panel.
    ui_.EditSerch->setVisible(!busy);
    ui_.ButtonSerch->setVisible(!busy);
}

void CMainWndUI::SetProgressText(const QString& text) {
    if (!exiting_) {
        SetControlText(ui_.LabelTip, text);
    }
}

void CMainWndUI::EndProgress() {
    if (IsBuilt()) {
        ui_.PanelLoading->hide();
        SetCloudBusy(false);
    }
}

bool CMainWndUI::IsProgressShown() const {
    return IsBuilt() && ui_.PanelLoading->isVisibleTo(this);
}

void CMainWndUI::SetDeviceIndicator(bool connected) {
    if (exiting_ || ui_.ButtonLinkDevice == nullptr) {
        return;
    }
    ui_.ButtonLinkDevice->SetForeImage(
        connected ? QStringLiteral("file='btnDeviceConn.png' dest='15,8,71,58'")
                  : QStringLiteral("file='btnDeviceUnConn.png' dest='15,8,71,58'"));
    ui_.ButtonLinkDevice->setToolTip(connected ? QStringLiteral("设备已连接")
                                               : QStringLiteral("连接设备"));
}

void CMainWndUI::OpenNoteForCaller(const QString& name, const QString& number,
                                   const QString& head) {
    ShowNormal();
    noteWindows_->OpenForCaller(name, number, head);
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
        pages_->Stop();
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
    if (CTopCall* popup = IfOpen(quickDial_)) {
        popup->Close();
    }
    callPopups_->CloseAll();
    COriginPrompt::CloseAll();
    core_.Shutdown();
    hide();
    QCoreApplication::quit();
}

} // namespace tamberlink
