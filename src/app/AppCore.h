#pragma once

#include "app/AppConfig.h"
#include "app/CallEventFeed.h"
#include "app/DiallerBridge.h"
#include "app/FollowUpTracker.h"
#include "app/LocalApiHub.h"
#include "app/NoteReminders.h"
#include "app/OriginConsent.h"
#include "app/SettingsStore.h"
#include "cloud/CloudClient.h"
#include "cloud/CloudFlows.h"
#include "contactfile/ContactFiles.h"
#include "device/DeviceFrame.h"
#include "dialler/PowerDialler.h"
#include "nuisance/NuisanceService.h"
#include "recording/CallRecorder.h"
#include "recording/CallRecorderHost.h"
#include "store/AttributionDatabase.h"
#include "store/BackgroundReader.h"
#include "store/LocalDatabase.h"
#include "store/WalCheckpointer.h"
#include "webhooks/WebhookService.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <vector>

namespace tamberlink {

class BoxLink;
class ContactSyncService;
class DeviceBridge;
class LocalApi;
class UiSink;

// The program without its windows: owns the databases, the settings and the note reminders,
// runs the start-up and exit sequences and offers every data operation. Created on the UI
// thread, before any window and whether or not there will be one; operations may be called
// from any thread, and the list reloads and notices they cause always reach the user
// interface (UiSink and the signals below) on the UI thread. The cloud flows run on the UI
// thread and speak to the UiSink, which is their host, directly.
class AppCore : public QObject, private CallRecorderHost {
    Q_OBJECT
public:
    // A core without a user interface logs its notices until SetUi gives it one.
    explicit AppCore(AppConfig config, QObject* parent = nullptr);
    AppCore(AppConfig config, UiSink& ui, QObject* parent = nullptr);
    ~AppCore() override;

    // The user interface the core reports to from now on; nullptr for none. Call on the UI
    // thread. The cloud flows report to the one set when Start ran.
    void SetUi(UiSink* ui);
    // Called with true before Start() brings a database of an earlier version up to date,
    // which for years of history takes a while, and with false once it is done.
    void SetUpgradeNotice(std::function<void(bool shown)> notice) {
        upgradeNotice_ = std::move(notice);
    }

    // Makes the data folders, copies the seed database on the first start, opens both
    // databases, brings the user's database up to date and reads the settings. False when
    // the user's database cannot be opened, comes from a newer program or cannot be brought
    // up to date (the program runs on without it; the last two with a notice).
    bool Start();
    // Closes the databases, deletes the temporary files of the data root and stops the
    // reminders. Runs once; later calls do nothing.
    void Shutdown();
    bool IsShuttingDown() const { return shuttingDown_; }

    // "<documents>/Tamberlink": recordings go to its Rec folder.
    QString DataRoot() const { return dataRoot_; }
    // The user's database file; empty before Start.
    QString UserDatabasePath() const;
    LocalDatabase& Database() { return database_; }
    const AttributionDatabase& Attribution() const { return attribution_; }
    SettingsStore& Settings() { return settings_; }
    UiSink& Sink() { return *sink_; }

    // The telephone box. Attach before other threads start; nullptr detaches.
    void AttachBoxLink(BoxLink* link);
    bool IsBoxConnected() const;

    // The link to the telephone box, its call control (Dial, SendSmsViaPhone, HangUp, ...)
    // and firmware transfer. Until StartDeviceLink the box counts as not connected.
    DeviceBridge& Device() { return *device_; }
    // Attaches the device link and starts looking for the box, `serialPort` (when given)
    // before the machine's serial ports. Call after Start.
    bool StartDeviceLink(const QString& serialPort = QString());
    // The call recorder, driven by the box's frames and samples on the serial listener.
    CallRecorder& Recorder() { return recorder_; }
    // Asks the box to record the call: only while it is connected, else the user is told.
    void RequestRecordingStart();
    // Asks the box to stop recording; written whatever the link's state.
    void RequestRecordingStop();

    // The port the local HTTP API listens on; 0 when it is not listening.
    std::uint16_t LocalApiPort() const;
    // The events other programs follow through the local API.
    CallEventFeed& Feed() { return feed_; }
    // Which web pages may use the local API.
    OriginConsent& Origins() { return origins_; }

    // Runs `function` on the UI thread and waits for it (at once when called there). Refuses,
    // returning false without running it, once Shutdown has begun, so a worker can never
    // wait on a UI thread that is waiting for the worker.
    bool RunOnUiThread(std::function<void()> function);
    // Queues `function` for the UI thread without waiting. Dropped once Shutdown has begun.
    void PostToUiThread(std::function<void()> function);
    // A notice for the user, from any thread.
    void ShowTip(const QString& text);
    // Runs `job` on the reader thread with a read-only connection of its own, so that a long
    // read never holds up the caller; jobs run in the order posted, and a job hands what it
    // read to the UI thread with PostToUiThread. Without a reader (before Start, or when it
    // could not open the file) the job runs at once with the main connection.
    void ReadInBackground(BackgroundReader::Job job);
    // The same, run only when no job ReadInBackground posted waits: for long work in slices.
    void ReadWhenIdle(BackgroundReader::Job job);

    // Settings. The box hears of the extension and area code, and of automatic recording.
    void SetFenjiCode(const QString& code);
    void SetAreaCode(const QString& code);
    void SetIpCode(const QString& code);
    void SetSwitchIP(bool on);
    void SetPopOff(bool on);
    void SetProxy(const QString& proxy);
    // The cloud service's base URL: an http or https address of a host, or empty for the
    // program's own. False, changing nothing, for anything else.
    bool SetCloudServer(const QString& url);
    // The base URL cloud requests go to now, and the one they go to without a choice.
    QString CloudServer() const;
    QString DefaultCloudServer() const;
    static bool IsCloudServerAddress(const QString& url);
    // False when ignored: the last change was 2 seconds ago or less.
    bool SetScreenOff(bool on);
    void SetAuto(bool byApi, bool on);

    // Number attribution: "移动|广东广州", or "未知号码".
    QString GetAttribution(const QString& number) const;

    // Contacts.
    std::vector<ContactRecord> LoadContacts();
    std::vector<ContactRecord> SearchContactList(const QString& keyword);
    // The contact list shows the rows added at its end unless `doNotShow` is set.
    bool AddContact(const ContactRecord& record, bool doNotShow = false);
    bool UpdateContact(const ContactRecord& record);
    // The list that shows the contact removes it itself.
    bool DeleteContact(int id);
    bool DeleteAllContacts();
    // Contact files (vCard, CSV): what an import would do, the import itself, after which the
    // lists show the new contacts, and an export of some or all contacts.
    ContactImportPreview
    PreviewContactFile(const QString& path,
                       std::optional<ContactCsvLayout::Encoding> encoding = std::nullopt);
    bool ImportContactFile(const ContactImportPreview& preview, bool fillEmpty,
                           ContactImportCounts& counts, QString* error = nullptr);
    bool ExportContacts(const QString& path, const std::vector<int>& ids, int* cards = nullptr,
                        QString* error = nullptr);
    QString GetContactName(const QString& number);

    // Call log. A new entry, a linked recording and a note written or deleted for a call
    // reach the user interface as the changed rows' ids; the lists read the table through
    // the database reader.
    bool AddCallLog(const QString& number, const QString& place, const QString& corp, int type,
                    const QString& nuisanceLabel = QString());
    bool DeleteCallLogs(const std::vector<int>& ids);
    // The call that just ended lasted `seconds`: its entry (the newest) keeps that length.
    void RecordCallLength(int seconds);
    // The missed calls waiting to be followed up; read from the log as Start ends.
    FollowUpTracker& FollowUp() { return followUp_; }
    // Links a finished recording to its call-log entry (the newest when `callId` is 0), if
    // that has none yet.
    void LinkRecordingToCallLog(const QString& guid, int callId = 0) override;

    // Sent SMS and SMS templates; their lists hear of a change through the signals below,
    // except of deletions, which the list that shows the rows makes itself.
    bool AddSms(const QString& number, const QString& content, const QString& attribution);
    bool DeleteSms(const std::vector<int>& ids);
    // An SMS hand-off to the phone failed midway; from any thread.
    void ReportSmsFailed(const QStringList& numbers);
    // [date_time, content] of the first SMS sent to the number, or an empty list.
    QStringList GetFirstSmsTo(const QString& number);
    std::vector<TemplateRecord> LoadTemplateList();
    std::vector<TemplateRecord> GetAllTemplates();
    bool SaveTemplate(const TemplateRecord& record);
    bool DeleteTemplates(const std::vector<int>& ids);

    // Notes. The reminders start with the core, and each written note (re)starts its own;
    // the user interface hears of written notes as the changed rows' ids.
    bool AddNote(const QString& name, const QString& phone, const QString& head,
                 const QString& dateTime, const QString& content, int cid);
    // As AddNote; the new note's id, 0 when it was not written.
    int AddNoteWithId(const QString& name, const QString& phone, const QString& head,
                      const QString& dateTime, const QString& content, int cid);
    bool UpdateNote(int id, const QString& name, const QString& phone, const QString& head,
                    const QString& dateTime, const QString& content);
    bool DeleteNotes(const std::vector<int>& ids);
    std::optional<NoteRecord> GetNote(int id);
    std::optional<NoteRecord> GetNoteForCall(int callLogId);
    std::vector<int> ActiveNoteTimerIds() const { return reminders_.ActiveTimerIds(); }

    // The nuisance-call rules, their whitelist and the log of the calls they acted on.
    NuisanceService& Nuisance() { return nuisance_; }
    // What the rules decide for `number` now, the user's contacts counted as the box's calls
    // count them.
    NuisanceVerdict ScreenCaller(const QString& number);

    // The do-not-call list holds the number (cleaned as the lists clean numbers).
    bool IsDoNotCall(const QString& number);
    // Power dialling over the call list, on the UI thread; its clock can be set for tests.
    PowerDialler& Dialler() { return *dialler_; }
    DiallerBridge& DiallerLink() { return diallerBridge_; }

    // The journal of the call events and the webhooks they are posted to.
    WebhookService& Webhooks() { return webhooks_; }

    // The cloud service: account, contact backup and sync, version check and feedback.
    // Null until Start has opened the database, and again once Shutdown has begun.
    CloudFlows* Cloud() { return cloudFlows_.get(); }

    // The two-way sync of the contacts with the user's CardDAV address book. Null until Start
    // has opened the database, and again once Shutdown has begun.
    ContactSyncService* ContactSync() { return contactSync_.get(); }

    // Account: the row the login form offers (see RememberedPassword). False before Start.
    bool SaveLogin(const QString& account, const QString& password, bool remember);

signals:
    // The core's tables changed, told on the UI thread to the lists that show them. A table
    // changed as a whole: a list reloads itself from the core. Rows were added, changed or
    // deleted, named by id: a list reads just those rows again and drops the ones that are
    // gone. Contacts were added: a list shows them at its end until its next fill.
    void CallLogChanged();
    void CallLogRowsChanged(const std::vector<int>& ids);
    void ContactsChanged();
    void ContactsAdded(const std::vector<tamberlink::ContactRecord>& contacts);
    void NoteListChanged();
    void NoteRowsChanged(const std::vector<int>& ids);
    // A note's reminder time has come.
    void NoteReminderDue(int noteId);
    // The sent SMS or the SMS templates changed; emitted on the UI thread.
    void SmsListChanged();
    // An SMS hand-off to `numbers` ended without reaching the phone.
    void SmsFailed(const QStringList& numbers);
    void TemplateListChanged();
    // The stored answers for web pages changed; emitted on the UI thread.
    void OriginsChanged();
    // The nuisance rules, their whitelist or the contacts switch changed; on the UI thread.
    void NuisanceChanged();

private:
    struct PendingCall;

    bool OnUiThread() const;
    // Runs `function` on the UI thread: at once when already there, else queued.
    void DeliverToUi(std::function<void()> function);
    // Brings the user's database up to date, with the notice around it when it was not
    // copied from the seed just now.
    bool RunMigrations(bool firstStart);
    void FinishCall(const std::shared_ptr<PendingCall>& call, bool ran);
    QString FindDataFile(const QString& name) const;
    void MakeDataFolders(const QString& documents);
    void DeleteTemporaryFiles();
    // Sends a frame when the box is attached; a frame that did not fit is not sent.
    void WriteToBox(const std::optional<FrameBytes>& frame);
    void ArmReminders();
    // Creates the cloud client and its flows, then checks silently for a newer version.
    void StartCloud();
    // Reports a user database that could not be opened or brought up to date, with a notice
    // when the user can act on it.
    void RefuseUserDatabase();
    // After the note `id` was written: its reminder restarts (or stops), and the lists
    // showing it, and the call it was written for, hear of the change.
    void NoteWritten(int id, int cid);
    // The contacts, and with them the names the other lists show, changed.
    void ContactNamesChanged();
    // A contact was written here: the address book on the server hears of it shortly.
    void ContactWrittenHere();
    void StartContactSync();
    void OnReminderDue(int noteId);

    // CallRecorderHost
    int CurrentCallId() override;
    void SetRecordingAnimation(bool playing) override;
    void OnRecordingStarted(const QString& id) override;
    void OnRecordingFinished(const QString& id, const QString& path, double seconds) override;

    // Puts a web page's question to the user on the UI thread.
    bool AskAboutOrigin(const OriginConsent::Question& question);

    AppConfig config_;
    UiSink* sink_;
    // Before whatever reports to it: the device link, the recorder and the local API.
    CallEventFeed feed_;
    LocalDatabase database_;
    BackgroundReader reader_;
    WalCheckpointer checkpointer_;
    AttributionDatabase attribution_;
    ContactFiles contactFiles_{database_, attribution_};
    SettingsStore settings_;
    OriginConsent origins_;
    NuisanceService nuisance_{database_};
    WebhookService webhooks_;
    EventJournalHistory journalHistory_{database_.Events()};
    NoteReminders reminders_;
    FollowUpTracker followUp_{*this};
    CallRecorder recorder_{*this};
    LocalApiHub localApiHub_{*this};
    std::unique_ptr<LocalApi> localApi_;
    QString dataRoot_;
    std::unique_ptr<DeviceBridge> device_;
    std::unique_ptr<PowerDialler> dialler_;
    std::atomic<BoxLink*> box_{nullptr};
    std::atomic<bool> shuttingDown_{false};
    std::mutex pendingMutex_;
    std::set<std::shared_ptr<PendingCall>> pending_;
    std::unique_ptr<CloudClient> cloudClient_;
    std::unique_ptr<CloudFlows> cloudFlows_;
    DiallerBridge diallerBridge_{*this};
    std::unique_ptr<ContactSyncService> contactSync_;
    std::function<void(bool shown)> upgradeNotice_;
};

} // namespace tamberlink
