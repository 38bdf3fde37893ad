#include "cloud/CloudFlows.h"

#include "cloud/CloudClient.h"
#include "cloud/CloudHost.h"

namespace tamberlink {

namespace {

enum Flow : unsigned { kAccount = 1, kBackup = 2, kSync = 4, kFeedback = 8, kVersion = 16 };

// The flows that hear of the reply to, or the failure of, a request of `kind`.
unsigned FlowsOf(int kind, bool failure) {
    switch (kind) {
    case VCODE_LOGIN:
    case VCODE_REG:
    case VCODE_FORGET:
    case USER_LOGIN:
    case USER_REG:
    case SMS_CODE:
    case USER_FORGET:
        return kAccount;
    // The backup reads the old cloud copy too: the reply's tag says whose it is.
    case CONTACT_ALL:
        return kBackup | kSync;
    // A range written for the backup; its failure ends a sync that waits as well.
    case CONTACT_ADD_RANGE:
    case CONTACT_DEL_RANGE:
        return failure ? kBackup | kSync : kBackup;
    case FEEDBACK_ADD:
        return kFeedback;
    case VERSION_UPD:
        return kVersion;
    default:
        return 0;
    }
}

} // namespace

template <class Hand>
void CloudFlows::Route(int kind, bool failure, Hand hand) {
    const unsigned flows = FlowsOf(kind, failure);
    if ((flows & kAccount) != 0) {
        hand(account_);
    }
    if ((flows & kBackup) != 0) {
        hand(backup_);
    }
    if ((flows & kSync) != 0) {
        hand(sync_);
    }
    if ((flows & kFeedback) != 0) {
        hand(feedback_);
    }
    if ((flows & kVersion) != 0) {
        hand(version_);
    }
}

CloudFlows::CloudFlows(CloudClient& client, LocalDatabase& database,
                       const AttributionDatabase& attribution, CloudHost& host, QString dataRoot,
                       PasswordKeyring* keyring)
    : client_(client)
    , progress_(host)
    , account_(client, database, host, dataRoot, keyring)
    , backup_(client, database, host, progress_, account_, dataRoot)
    , sync_(client, database, attribution, host, progress_, account_, dataRoot)
    , version_(client, host)
    , feedback_(client, host) {
    client_.SetReplyHandler([this](const CloudReply& reply) { OnCloudReply(reply); });
    client_.SetFailureHandler([this](const CloudFailure& failure) { OnCloudFailure(failure); });
    client_.SetTipHandler([&host](const QString& text) { host.ShowTip(text); });
}

CloudFlows::~CloudFlows() {
    client_.SetReplyHandler({});
    client_.SetFailureHandler({});
    client_.SetTipHandler({});
}

void CloudFlows::OnCloudReply(const CloudReply& reply) {
    Route(reply.kind, false, [&reply](auto& flow) { flow.OnReply(reply); });
}

void CloudFlows::OnCloudFailure(const CloudFailure& failure) {
    Route(failure.kind, true, [&failure](auto& flow) {
        if constexpr (requires { flow.OnFailure(failure); }) {
            flow.OnFailure(failure);
        } else {
            flow.OnFailure();
        }
    });
}

} // namespace tamberlink
