#pragma once

#include "cloud/CloudRequest.h"
#include "store/ContactRecord.h"

#include <QString>

#include <json/value.h>

#include <cstdint>
#include <vector>

namespace tamberlink {

class AccountFlow;
class CloudClient;
class CloudProgress;
class LocalDatabase;
class CloudHost;

// Copies the local contacts to the cloud, replacing the cloud copy. The service can only
// clear a user's contacts before the new ones go up, so the cloud holds the old copy or the
// new one, never neither: the old copy is read first (and kept in `dataRoot`/Log), the cloud
// is cleared, the local contacts go up in pages of 100, each reply sending the next page;
// when any step after the clearing fails, the cloud is cleared again and the old copy goes
// back up. The local database is only read.
class ContactBackup {
public:
    static constexpr int kPageSize = 100;
    static constexpr int kWatchdogSeconds = 300;
    // The old copy is read in pages of this size.
    static constexpr int kSnapshotPageSize = 100;

    ContactBackup(CloudClient& client, LocalDatabase& database, CloudHost& host,
                  CloudProgress& progress, const AccountFlow& account, QString dataRoot);

    // Refused when logged out, and while a backup or sync holds the progress panel.
    void Start();

    // Replies of CONTACT_ALL, CONTACT_DEL_RANGE and CONTACT_ADD_RANGE, and requests of them
    // that got no reply. Those of an earlier backup than the current one are ignored.
    void OnReply(const CloudReply& reply);
    void OnFailure(const CloudFailure& failure);

    // Where the old cloud copy of the last backup is kept.
    QString SnapshotPath() const;

private:
    enum class Step {
        Idle,
        Reading,   // reading the old copy
        Clearing,  // CONTACT_DEL_RANGE before the upload
        Uploading, // the local contacts' pages
        Undoing,   // CONTACT_DEL_RANGE before the old copy goes back
        Restoring, // the old copy's pages
    };

    void Submit(CloudRequest request);
    void RequestOldPage(int page);
    void OnOldPage(const CloudReply& reply);
    void Clear(Step step);
    void SendPage();
    void SendOldPage();
    // The step under way failed: before the clearing the cloud is as it was; after it the old
    // copy goes back. `reason` starts the notice.
    void Fail(const QString& reason);
    void Finish(const QString& notice);
    bool KeepSnapshot();

    CloudClient& client_;
    LocalDatabase& database_;
    CloudHost& host_;
    CloudProgress& progress_;
    const AccountFlow& account_;
    QString dataRoot_;
    std::uint64_t chain_ = 0; // tag of the current backup's requests
    Step step_ = Step::Idle;
    int page_ = 0; // next page to send, of the local contacts or of the old copy
    std::vector<ContactRecord> contacts_;
    Json::Value snapshot_{Json::arrayValue}; // the old cloud copy, as the service gave it
    bool snapshotKept_ = false;
    QString reason_; // why the backup is being undone
};

} // namespace tamberlink
