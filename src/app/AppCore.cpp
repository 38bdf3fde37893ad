#include "app/AppCore.h"
#include "app/ContactSyncService.h"

#include "app/BoxLink.h"
#include "app/DeviceBridge.h"
#include "app/UiSink.h"
#include "device/DeviceFrame.h"
#include "localapi/LocalApi.h"
#include "util/PhoneNumber.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLoggingCategory>
#include <QStandardPaths>
#include <QThread>
#include <QUrl>

#include <condition_variable>
#include <cstdio>
#include <ctime>

Q_LOGGING_CATEGORY(lcApp, "tamberlink.app", QtInfoMsg)

namespace tamberlink {

namespace {

const QString kRootName = QStringLiteral("Tamberlink");
const QString kDatabaseName = QStringLiteral("Tamberlink.db");
const QString kAttributionName = QStringLiteral("MoblieAreacode.db");

void ReportOpenFailure(const QString& error) {
    std::fprintf(stderr, "无法打开数据库: %s\n", error.toUtf8().constData());
}

std::int64_t Now() {
    return std::int64_t(std::time(nullptr));
}

// The user interface of a core that has none: its notices go to the log.
class NoUi final : public UiSink {
public:
    void ShowTip(const QString& text) override { qCInfo(lcApp).noquote() << "notice:" << text; }
};

UiSink& Headless() {
    static NoUi ui;
    return ui;
}

} // namespace

// A function waiting to run on the UI thread, and the worker waiting for it.
struct AppCore::PendingCall {
    std::function<void()> function;
    std::mutex mutex;
    std::condition_variable done;
    bool finished = false;
    bool ran = false;
};

AppCore::AppCore(AppConfig config, QObject* parent)
    : QObject(parent)
    , config_(std::move(config))
    , sink_(&Headless())
    , settings_(database_)
    , origins_(database_,
               {.ask = [this](const OriginConsent::Question& q) { return AskAboutOrigin(q); },
                .close =
                    [this](std::uint64_t question) {
                        DeliverToUi([this, question] { sink_->CloseOriginQuestion(question); });
                    },
                .revoked =
                    [this](const QString& origin) {
                        if (localApi_) {
                            localApi_->EndStreamsOf(origin.toStdString());
                        }
                    },
                .changed =
                    [this] {
                        DeliverToUi([this] { emit OriginsChanged(); });
                    }})
    , webhooks_(
          database_, [this](const QString& text) { ShowTip(text); }, config_.webhooks)
    , reminders_([this](int noteId) { OnReminderDue(noteId); })
    , device_(std::make_unique<DeviceBridge>(*this))
    , dialler_(std::make_unique<PowerDialler>(diallerBridge_, database_.DoNotCall(),
                                              database_.CallAttempts())) {
    nuisance_.SetChangedListener([this] { DeliverToUi([this] { emit NuisanceChanged(); }); });
}

NuisanceVerdict AppCore::ScreenCaller(const QString& number) {
    return nuisance_.Decide(number, [this](const QString& caller) {
        return !GetContactName(PhoneNumber::WithoutTrunkZero(caller)).isEmpty();
    });
}

AppCore::AppCore(AppConfig config, UiSink& ui, QObject* parent)
    : AppCore(std::move(config), parent) {
    SetUi(&ui);
}

void AppCore::SetUi(UiSink* ui) {
    sink_ = ui != nullptr ? ui : &Headless();
}

AppCore::~AppCore() {
    Shutdown();
}

QString AppCore::FindDataFile(const QString& name) const {
    QStringList folders;
    if (!config_.dataFolder.isEmpty()) {
        folders << config_.dataFolder;
    } else if (QCoreApplication::instance() != nullptr) {
        const QString programDir = QCoreApplication::applicationDirPath();
        folders << programDir + QStringLiteral("/Data")
                << programDir + QStringLiteral("/" TAMBERLINK_DATA_FROM_BIN);
    }
    for (const QString& folder : folders) {
        const QString path = QDir(folder).filePath(name);
        if (QFile::exists(path)) {
            return path;
        }
    }
    // Not found: opening the first place names it in the error.
    return folders.isEmpty() ? name : QDir(folders.front()).filePath(name);
}

void AppCore::MakeDataFolders(const QString& documents) {
    dataRoot_ = QDir(documents).filePath(kRootName);
    QDir root(dataRoot_);
    for (const char* folder : {"Log", "Rec", "Data"}) {
        root.mkpath(QString::fromLatin1(folder));
    }
}

bool AppCore::Start() {
    settings_.Clear();
    QString documents = config_.documentsFolder;
    if (documents.isEmpty()) {
        documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    }
    if (documents.isEmpty()) {
        documents = QDir::home().filePath(QStringLiteral("Documents"));
    }
    MakeDataFolders(documents);
    recorder_.SetDataRoot(dataRoot_);

    const QString userDatabase = dataRoot_ + QStringLiteral("/Data/") + kDatabaseName;
    const bool firstStart = !QFile::exists(userDatabase);
    if (firstStart) {
        const QString seed = FindDataFile(kDatabaseName);
        qCDebug(lcApp) << "first start: copying" << seed << "to" << userDatabase;
        // An installed seed may be read-only; the user's copy must not be.
        if (QFile::copy(seed, userDatabase)) {
            QFile::setPermissions(userDatabase, QFile::permissions(userDatabase) |
                                                    QFile::ReadOwner | QFile::WriteOwner);
        }
    }

    const bool userOpened = database_.Open(userDatabase);
    const QString attributionFile = FindDataFile(kAttributionName);
    const bool attributionOpened = attribution_.Open(attributionFile);
    qCDebug(lcApp) << "user database" << userDatabase << userOpened << "attribution"
                   << attributionFile << attributionOpened;
    if (!userOpened) {
        RefuseUserDatabase();
        return false;
    }
    // Without the attribution file every number reads as unknown; that is no reason to stop.
    if (!attributionOpened) {
        ReportOpenFailure(attribution_.OpenError());
    }

    if (!RunMigrations(firstStart)) {
        // A file of an older shape cannot serve this program, and no write may make it worse.
        RefuseUserDatabase();
        database_.Close();
        return false;
    }
    // Opened after the migrations, so that it reads the current schema.
    reader_.Start(userDatabase);
    checkpointer_.Start(database_);
    // Worked out from the first turn of the event loop, once the window is built and behind
    // the pages' first reads, so that years of calls hold up neither.
    PostToUiThread([this] { followUp_.Load(); });
    settings_.Load();
    origins_.Load();
    nuisance_.Load();
    // Events are journaled and posted from now on; their ids go on from the last run's.
    webhooks_.SetProxy(settings_.Proxy());
    CallEvents& events = feed_.Events();
    events.ContinueAfter(std::uint64_t(webhooks_.Start()));
    events.SetHistory(&journalHistory_);
    events.SetRecorder([this](CallEvents::Recorded event) {
        webhooks_.Record({qint64(event.id), event.time, QString::fromStdString(event.type),
                          QString::fromStdString(event.json)});
    });
    ArmReminders();
    StartCloud();
    StartContactSync();

    // Other programs on this computer reach the core through the local API from now on. A
    // port taken by another program is logged by the server; the core runs on without it.
    LocalApi::Limits limits;
    if (config_.webPageAskLimit.count() > 0) {
        limits.ask = config_.webPageAskLimit;
    }
    localApi_ = std::make_unique<LocalApi>(localApiHub_, limits);
    localApi_->StartServer(config_.localApiPort);
    return true;
}

void AppCore::RefuseUserDatabase() {
    ReportOpenFailure(database_.OpenError());
    // The user can do something about these two; any other failure to open was reported
    // above only. Posted, so that the notice finds the window shown.
    QString notice;
    switch (database_.OpenRefusal()) {
    case LocalDatabase::Refusal::NewerVersion:
        notice = QStringLiteral("数据库来自更新版本的Tamberlink，请升级后再打开");
        break;
    case LocalDatabase::Refusal::UpgradeFailed:
        notice = QStringLiteral("数据库升级失败，文件未作改动，请检查磁盘空间和权限后重新打开");
        break;
    case LocalDatabase::Refusal::None:
        return;
    }
    PostToUiThread([this, notice] { sink_->ShowTip(notice); });
}

QString AppCore::DefaultCloudServer() const {
    return config_.cloudBaseUrl.isEmpty() ? QString::fromUtf8(kDefaultCloudBaseUrl)
                                          : config_.cloudBaseUrl;
}

QString AppCore::CloudServer() const {
    // The user's choice, else the one given to this core, else the program's own.
    const QString chosen = settings_.CloudServer();
    return chosen.isEmpty() ? DefaultCloudServer() : chosen;
}

bool AppCore::IsCloudServerAddress(const QString& url) {
    const QUrl address(url, QUrl::StrictMode);
    return address.isValid() && !address.host().isEmpty() && address.userInfo().isEmpty() &&
           !address.hasQuery() && !address.hasFragment() &&
           (address.scheme() == QLatin1String("http") ||
            address.scheme() == QLatin1String("https"));
}

bool AppCore::SetCloudServer(const QString& url) {
    QString trimmed = url.trimmed();
    if (!trimmed.isEmpty() && !IsCloudServerAddress(trimmed)) {
        return false;
    }
    // The default is not stored as a choice, so that it follows the program's own.
    if (trimmed == DefaultCloudServer()) {
        trimmed.clear();
    }
    if (!settings_.SetCloudServer(trimmed)) {
        ShowTip(QStringLiteral("保存服务器地址错误"));
    }
    if (cloudClient_) {
        cloudClient_->SetBaseUrl(CloudServer().toStdString());
    }
    return true;
}

void AppCore::StartCloud() {
    const QString cookieFolder =
        config_.cookieFolder.isEmpty()
            ? QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation)
            : config_.cookieFolder;
    cloudClient_ = std::make_unique<CloudClient>(CloudServer().toStdString(), cookieFolder);
    cloudClient_->SetProxy(settings_.Proxy());
    cloudFlows_ = std::make_unique<CloudFlows>(*cloudClient_, database_, attribution_, *sink_,
                                               dataRoot_, config_.keyring.get());
    cloudFlows_->Progress().SetWatchdogLimit(config_.cloudWatchdog);
    cloudFlows_->Account().Remembered().Load();
    cloudFlows_->Version().CheckForUpdates(VersionCheck::kStartUp);
}

void AppCore::StartContactSync() {
    ContactSyncService::Hooks hooks;
    hooks.post = [this](std::function<void()> function) {
        PostToUiThread(std::move(function));
    };
    hooks.contactsChanged = [this] {
        ContactNamesChanged();
    };
    hooks.askDeletion = [this](int contacts, int total, std::function<void(bool)> answer) {
        sink_->AskSyncDeletion(contacts, total, std::move(answer));
    };
    contactSync_ = std::make_unique<ContactSyncService>(database_, attribution_,
                                                        config_.keyring.get(), std::move(hooks));
    if (config_.contactSyncTimers) {
        contactSync_->Start();
    }
}

void AppCore::ContactWrittenHere() {
    if (contactSync_) {
        DeliverToUi([this] {
            if (contactSync_) {
                contactSync_->LocalChanged();
            }
        });
    }
}

void AppCore::Shutdown() {
    std::set<std::shared_ptr<PendingCall>> cancelled;
    {
        std::lock_guard lock(pendingMutex_);
        if (shuttingDown_.exchange(true)) {
            return;
        }
        cancelled.swap(pending_);
    }
    for (const std::shared_ptr<PendingCall>& call : cancelled) {
        FinishCall(call, false);
    }
    // A sync under way ends before the database closes.
    if (contactSync_) {
        contactSync_->Stop();
        contactSync_.reset();
    }
    // No cloud reply may reach the flows once the database closes.
    if (cloudClient_) {
        cloudClient_->Stop();
        cloudFlows_.reset();
        cloudClient_.reset();
    }
    // A campaign stays saved as it is, for the next start to go on with.
    dialler_->Halt();
    // Its workers no longer wait for the UI thread, so the server stops at once.
    localApi_.reset();
    // The link's threads use the databases; they stop first, no longer able to wait for
    // the UI thread.
    device_->Close();
    // A call still being recorded keeps its file and its place in the call log.
    recorder_.FinishRecording();
    // The last events are journaled before the database closes; posts under way stay queued.
    feed_.Events().SetRecorder(nullptr);
    feed_.Events().SetHistory(nullptr);
    webhooks_.Stop();
    // The reader closes first, so that the writer's close leaves the database one file.
    checkpointer_.Stop();
    reader_.Stop();
    database_.Close();
    attribution_.Close();
    DeleteTemporaryFiles();
    reminders_.StopAll();
}

void AppCore::DeleteTemporaryFiles() {
    if (dataRoot_.isEmpty()) {
        return;
    }
    QDir root(dataRoot_);
    root.remove(QStringLiteral("cookie.txt"));
    const QStringList pictures =
        root.entryList({QStringLiteral("*.gif")}, QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& picture : pictures) {
        root.remove(picture);
    }
}

bool AppCore::OnUiThread() const {
    return QThread::currentThread() == thread();
}

void AppCore::FinishCall(const std::shared_ptr<PendingCall>& call, bool ran) {
    std::lock_guard lock(call->mutex);
    call->finished = true;
    call->ran = ran;
    call->done.notify_all();
}

bool AppCore::RunOnUiThread(std::function<void()> function) {
    if (OnUiThread()) {
        if (shuttingDown_) {
            return false;
        }
        function();
        return true;
    }
    auto call = std::make_shared<PendingCall>();
    call->function = std::move(function);
    {
        std::lock_guard lock(pendingMutex_);
        if (shuttingDown_) {
            return false;
        }
        pending_.insert(call);
    }
    QMetaObject::invokeMethod(
        this,
        [this, call] {
            {
                std::lock_guard lock(pendingMutex_);
                if (pending_.erase(call) == 0) {
                    return; // Shutdown has released the caller already
                }
            }
            bool ran = false;
            try {
                call->function();
                ran = true;
            } catch (...) {
                qCWarning(lcApp) << "a function run for another thread failed";
            }
            FinishCall(call, ran);
        },
        Qt::QueuedConnection);
    std::unique_lock lock(call->mutex);
    call->done.wait(lock, [&] { return call->finished; });
    return call->ran;
}

void AppCore::PostToUiThread(std::function<void()> function) {
    if (shuttingDown_) {
        return;
    }
    QMetaObject::invokeMethod(
        this,
        [this, function = std::move(function)] {
            if (!shuttingDown_) {
                function();
            }
        },
        Qt::QueuedConnection);
}

void AppCore::DeliverToUi(std::function<void()> function) {
    if (OnUiThread()) {
        function();
    } else {
        PostToUiThread(std::move(function));
    }
}

bool AppCore::RunMigrations(bool firstStart) {
    const bool told = !firstStart && upgradeNotice_ && database_.NeedsMigrations();
    if (told) {
        upgradeNotice_(true);
    }
    const bool upgraded = database_.RunMigrations();
    if (told) {
        upgradeNotice_(false);
    }
    return upgraded;
}

void AppCore::ShowTip(const QString& text) {
    DeliverToUi([this, text] { sink_->ShowTip(text); });
}

void AppCore::ReadInBackground(BackgroundReader::Job job) {
    if (!reader_.Post(job)) {
        job(database_);
    }
}

void AppCore::ReadWhenIdle(BackgroundReader::Job job) {
    // Once the program is closing a job is dropped rather than run here.
    if (!reader_.PostIdle(job) && !shuttingDown_) {
        job(database_);
    }
}

void AppCore::AttachBoxLink(BoxLink* link) {
    box_ = link;
}

bool AppCore::StartDeviceLink(const QString& serialPort) {
    AttachBoxLink(device_.get());
    return device_->Start(serialPort);
}

bool AppCore::IsBoxConnected() const {
    BoxLink* box = box_;
    return box != nullptr && box->IsConnected();
}

void AppCore::WriteToBox(const std::optional<FrameBytes>& frame) {
    BoxLink* box = box_;
    if (box != nullptr && frame) {
        box->Write(QByteArray(reinterpret_cast<const char*>(frame->data()),
                              static_cast<qsizetype>(frame->size())));
    }
}

void AppCore::RequestRecordingStart() {
    if (IsBoxConnected()) {
        WriteToBox(frame::Command(frame::kStartRecording));
    } else {
        ShowTip(QStringLiteral("请先连接设备后再开始录音"));
    }
}

void AppCore::RequestRecordingStop() {
    WriteToBox(frame::Command(frame::kStopRecording));
}

std::uint16_t AppCore::LocalApiPort() const {
    return localApi_ ? localApi_->Port() : 0;
}

void AppCore::SetRecordingAnimation(bool playing) {
    DeliverToUi([this, playing] { sink_->SetRecordingAnimation(playing); });
}

void AppCore::OnRecordingStarted(const QString& id) {
    feed_.RecordingStarted(id);
}

void AppCore::OnRecordingFinished(const QString& id, const QString& path, double seconds) {
    feed_.RecordingFinished(id, path, seconds);
}

bool AppCore::AskAboutOrigin(const OriginConsent::Question& question) {
    if (shuttingDown_) {
        return false;
    }
    DeliverToUi([this, question] {
        if (!sink_->AskOriginConsent(question)) {
            origins_.Dismiss(question.id);
        }
    });
    return true;
}

void AppCore::SetFenjiCode(const QString& code) {
    settings_.SetFenjiCode(code);
    WriteToBox(frame::TextFrame(frame::kStoreExtension, code));
}

void AppCore::SetAreaCode(const QString& code) {
    if (settings_.SetAreaCode(code)) {
        WriteToBox(frame::TextFrame(frame::kStoreAreaCode, code));
    }
}

void AppCore::SetIpCode(const QString& code) {
    settings_.SetIpCode(code);
}

void AppCore::SetSwitchIP(bool on) {
    settings_.SetSwitchIP(on);
}

void AppCore::SetPopOff(bool on) {
    settings_.SetPopOff(on);
}

void AppCore::SetProxy(const QString& proxy) {
    if (!settings_.SetProxy(proxy)) {
        ShowTip(QStringLiteral("保存代理错误"));
    }
    if (cloudClient_) {
        cloudClient_->SetProxy(proxy);
    }
    webhooks_.SetProxy(proxy);
}

bool AppCore::SetScreenOff(bool on) {
    return settings_.SetScreenOff(on, Now());
}

void AppCore::SetAuto(bool byApi, bool on) {
    settings_.SetAuto(byApi, on);
    if (IsBoxConnected()) {
        WriteToBox(frame::Command(on ? frame::kAutoRecordOn : frame::kAutoRecordOff));
    } else {
        ShowTip(QStringLiteral("请先连接设备后在设置自动录音"));
    }
}

QString AppCore::GetAttribution(const QString& number) const {
    return attribution_.GetAttribution(number);
}

std::vector<ContactRecord> AppCore::LoadContacts() {
    return database_.Contacts().Load();
}

std::vector<ContactRecord> AppCore::SearchContactList(const QString& keyword) {
    return database_.Contacts().SearchList(keyword);
}

bool AppCore::AddContact(const ContactRecord& record, bool doNotShow) {
    std::vector<ContactRecord> stored;
    const bool ok = database_.Contacts().Add(record, attribution_, &stored);
    if (!stored.empty() && !doNotShow) {
        DeliverToUi([this, stored = std::move(stored)] { emit ContactsAdded(stored); });
    }
    ContactWrittenHere();
    return ok;
}

ContactImportPreview
AppCore::PreviewContactFile(const QString& path,
                            std::optional<ContactCsvLayout::Encoding> encoding) {
    return contactFiles_.Preview(path, encoding);
}

bool AppCore::ImportContactFile(const ContactImportPreview& preview, bool fillEmpty,
                                ContactImportCounts& counts, QString* error) {
    if (!contactFiles_.Import(preview, fillEmpty, counts, error)) {
        return false;
    }
    // New contacts name the calls, SMS and notes of their numbers.
    ContactNamesChanged();
    ContactWrittenHere();
    return true;
}

bool AppCore::ExportContacts(const QString& path, const std::vector<int>& ids, int* cards,
                             QString* error) {
    return contactFiles_.Export(path, ids, cards, error);
}

bool AppCore::UpdateContact(const ContactRecord& record) {
    if (!database_.Contacts().Update(record, attribution_)) {
        ShowTip(QStringLiteral("编辑联系人出错"));
        return false;
    }
    ContactNamesChanged();
    ContactWrittenHere();
    return true;
}

// Names and pictures of contacts show in every list.
void AppCore::ContactNamesChanged() {
    DeliverToUi([this] {
        emit ContactsChanged();
        emit CallLogChanged();
        emit SmsListChanged();
        emit NoteListChanged();
    });
}

bool AppCore::DeleteContact(int id) {
    const bool ok = database_.Contacts().Delete(id);
    ContactWrittenHere();
    return ok;
}

bool AppCore::DeleteAllContacts() {
    database_.Contacts().DeleteAll();
    ContactWrittenHere();
    DeliverToUi([this] { emit ContactsChanged(); });
    return true;
}

QString AppCore::UserDatabasePath() const {
    return dataRoot_.isEmpty() ? QString() : dataRoot_ + QStringLiteral("/Data/") + kDatabaseName;
}

QString AppCore::GetContactName(const QString& number) {
    return database_.Contacts().GetName(number);
}

bool AppCore::AddCallLog(const QString& number, const QString& place, const QString& corp, int type,
                         const QString& nuisanceLabel) {
    const int id = database_.CallLog().Add(number, place, corp, type, nuisanceLabel);
    if (id == 0) {
        return false;
    }
    if (const std::optional<CallLogRecord> entry = database_.CallLog().GetEntry(id)) {
        followUp_.OnCallLogged({id, entry->phone, type, entry->dateTime});
    }
    DeliverToUi([this, id] { emit CallLogRowsChanged({id}); });
    return true;
}

void AppCore::RecordCallLength(int seconds) {
    const int id = database_.CallLog().SetLength(database_.CallLog().NewestId(), seconds);
    if (id != 0) {
        DeliverToUi([this, id] { emit CallLogRowsChanged({id}); });
    }
}

bool AppCore::DeleteCallLogs(const std::vector<int>& ids) {
    return database_.CallLog().Delete(ids);
}

void AppCore::ReportSmsFailed(const QStringList& numbers) {
    DeliverToUi([this, numbers] { emit SmsFailed(numbers); });
}

int AppCore::CurrentCallId() {
    return database_.CallLog().NewestId();
}

void AppCore::LinkRecordingToCallLog(const QString& guid, int callId) {
    QString error;
    int linked = 0;
    switch (database_.CallLog().LinkRecording(guid, callId, &error, &linked)) {
    case CallLogTable::RecordingLink::Linked:
        DeliverToUi([this, linked] { emit CallLogRowsChanged({linked}); });
        break;
    case CallLogTable::RecordingLink::Failed:
        ShowTip(QStringLiteral("保存通话记录中录音文件出错，错误：") + error);
        break;
    case CallLogTable::RecordingLink::NotLinked:
        break;
    }
}

bool AppCore::AddSms(const QString& number, const QString& content, const QString& attribution) {
    if (!database_.Sms().Add(number, content, attribution)) {
        return false;
    }
    DeliverToUi([this] { emit SmsListChanged(); });
    return true;
}

bool AppCore::DeleteSms(const std::vector<int>& ids) {
    return database_.Sms().Delete(ids);
}

QStringList AppCore::GetFirstSmsTo(const QString& number) {
    return database_.Sms().GetFirstTo(number);
}

std::vector<TemplateRecord> AppCore::LoadTemplateList() {
    return database_.Templates().Load();
}

std::vector<TemplateRecord> AppCore::GetAllTemplates() {
    return database_.Templates().GetAll();
}

bool AppCore::DeleteTemplates(const std::vector<int>& ids) {
    return database_.Templates().Delete(ids);
}

bool AppCore::SaveTemplate(const TemplateRecord& record) {
    if (!database_.Templates().Save(record)) {
        return false;
    }
    DeliverToUi([this] { emit TemplateListChanged(); });
    return true;
}

void AppCore::NoteWritten(int id, int cid) {
    DeliverToUi([this, id, cid] {
        if (std::optional<NoteRecord> note = database_.Notes().Get(id)) {
            note->ScheduleReminder(Now());
            reminders_.Arm(*note);
        }
        emit NoteRowsChanged({id});
        if (cid > 0) {
            emit CallLogRowsChanged({cid});
        }
    });
}

void AppCore::ArmReminders() {
    // Read on the reader, so that years of notes do not hold up the window's first paint.
    reminders_.BeginRead();
    QElapsedTimer asked;
    asked.start();
    ReadInBackground([this, now = Now(), asked](LocalDatabase& db) {
        PostToUiThread([this, notes = db.Notes().LoadDueReminders(now), asked]() mutable {
            // The read may have waited behind others: the timers count from when it was asked.
            for (NoteRecord& note : notes) {
                note.timerDelayMs = std::max<std::int64_t>(0, note.timerDelayMs - asked.elapsed());
            }
            reminders_.ArmRead(notes);
        });
    });
}

void AppCore::OnReminderDue(int noteId) {
    // A note deleted meanwhile has nothing to show.
    if (database_.Notes().Get(noteId).has_value()) {
        emit NoteReminderDue(noteId);
    }
}

bool AppCore::AddNote(const QString& name, const QString& phone, const QString& head,
                      const QString& dateTime, const QString& content, int cid) {
    return AddNoteWithId(name, phone, head, dateTime, content, cid) != 0;
}

int AppCore::AddNoteWithId(const QString& name, const QString& phone, const QString& head,
                           const QString& dateTime, const QString& content, int cid) {
    const int id = database_.Notes().Add(name, phone, head, dateTime, content, cid);
    if (id != 0) {
        NoteWritten(id, cid);
    }
    return id;
}

bool AppCore::IsDoNotCall(const QString& number) {
    const QString cleaned = PhoneNumber::Clean(number);
    return !cleaned.isEmpty() && database_.DoNotCall().Contains(cleaned);
}

bool AppCore::UpdateNote(int id, const QString& name, const QString& phone, const QString& head,
                         const QString& dateTime, const QString& content) {
    if (!database_.Notes().Update(id, name, phone, head, dateTime, content)) {
        return false;
    }
    NoteWritten(id, 0);
    return true;
}

bool AppCore::DeleteNotes(const std::vector<int>& ids) {
    std::vector<int> calls;
    database_.Notes().Delete(ids, &calls);
    DeliverToUi([this, ids, calls] {
        for (int id : ids) {
            reminders_.Stop(id);
        }
        // A call whose only note went loses its mark.
        if (!calls.empty()) {
            emit CallLogRowsChanged(calls);
        }
    });
    return true;
}

std::optional<NoteRecord> AppCore::GetNote(int id) {
    return database_.Notes().Get(id);
}

std::optional<NoteRecord> AppCore::GetNoteForCall(int callLogId) {
    return database_.Notes().GetForCall(callLogId);
}

bool AppCore::SaveLogin(const QString& account, const QString& password, bool remember) {
    return cloudFlows_ != nullptr &&
           cloudFlows_->Account().StoreAccount(account, password, remember);
}

} // namespace tamberlink
