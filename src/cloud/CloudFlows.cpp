#include "cloud/CloudFlows.h"

#include "cloud/CloudClient.h"
#include "cloud/CloudHost.h"

namespace tamberlink {

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
    switch (reply.kind) {
    case VCODE_LOGIN:
    case VCODE_REG:
    case VCODE_FORGET:
    case USER_LOGIN:
    case USER_REG:
    case SMS_CODE:
    case USER_FORGET:
        account_.OnReply(reply);
        break;
    case CONTACT_ALL:
        // The backup reads the old cloud copy too: the reply's tag says whose it is.
        backup_.OnReply(reply);
        sync_.OnReply(reply);
        break;
    case CONTACT_ADD_RANGE:
    case CONTACT_DEL_RANGE:
        backup_.OnReply(reply);
        break;
    case FEEDBACK_ADD:
        feedback_.OnReply(reply);
        break;
    case VERSION_UPD:
        version_.OnReply(reply);
        break;
    default:
        break;
    }
}

void CloudFlows::OnCloudFailure(const CloudFailure& failure) {
    switch (failure.kind) {
    case VCODE_LOGIN:
    case VCODE_REG:
    case VCODE_FORGET:
    case USER_LOGIN:
    case USER_REG:
    case SMS_CODE:
    case USER_FORGET:
        account_.OnFailure(failure);
        break;
    case CONTACT_ALL:
    case CONTACT_ADD_RANGE:
    case CONTACT_DEL_RANGE:
        backup_.OnFailure(failure);
        sync_.OnFailure(failure);
        break;
    case FEEDBACK_ADD:
        feedback_.OnFailure();
        break;
    case VERSION_UPD:
        version_.OnFailure();
        break;
    default:
        break;
    }
}

} // namespace tamberlink
