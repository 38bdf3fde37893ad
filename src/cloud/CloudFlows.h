#pragma once

#include "cloud/AccountFlow.h"
#include "cloud/CloudProgress.h"
#include "cloud/ContactBackup.h"
#include "cloud/ContactSync.h"
#include "cloud/Feedback.h"
#include "cloud/VersionCheck.h"

#include <QString>

namespace tamberlink {

class AttributionDatabase;
class CloudClient;
class LocalDatabase;
class CloudHost;
class PasswordKeyring;

// Everything the program does with its cloud service, on the UI thread: the account, the
// contact backup and sync, the version check and the feedback. Takes the client's replies,
// and its reports of requests that got none, and hands each to the flow of its kind.
class CloudFlows {
public:
    // The client's reply, timeout and notice handlers are set to this object's; it must
    // outlive neither the client nor the database. A remembered password goes to `keyring`
    // when one takes it (see RememberedPassword).
    CloudFlows(CloudClient& client, LocalDatabase& database, const AttributionDatabase& attribution,
               CloudHost& host, QString dataRoot, PasswordKeyring* keyring = nullptr);
    ~CloudFlows();
    CloudFlows(const CloudFlows&) = delete;
    CloudFlows& operator=(const CloudFlows&) = delete;

    AccountFlow& Account() { return account_; }
    ContactBackup& Backup() { return backup_; }
    ContactSync& Sync() { return sync_; }
    VersionCheck& Version() { return version_; }
    Feedback& FeedbackSender() { return feedback_; }
    CloudProgress& Progress() { return progress_; }

    // Kinds without a flow are ignored.
    void OnCloudReply(const CloudReply& reply);
    // A request that got no reply ends what its flow was waiting for.
    void OnCloudFailure(const CloudFailure& failure);

private:
    // Hands each flow that waits for a request of `kind` to `hand`.
    template <class Hand>
    void Route(int kind, bool failure, Hand hand);

    CloudClient& client_;
    CloudProgress progress_;
    AccountFlow account_;
    ContactBackup backup_;
    ContactSync sync_;
    VersionCheck version_;
    Feedback feedback_;
};

} // namespace tamberlink
