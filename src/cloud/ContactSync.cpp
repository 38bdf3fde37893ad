#include "cloud/ContactSync.h"

#include "cloud/AccountFlow.h"
#include "cloud/CloudClient.h"
#include "cloud/CloudContact.h"
#include "cloud/CloudEnvelope.h"
#include "cloud/CloudHost.h"
#include "cloud/CloudProgress.h"
#include "store/LocalDatabase.h"

#include <QDir>
#include <QFile>

#include <unordered_set>

namespace tamberlink {

namespace {

constexpr auto kChain = CloudProgress::Chain::Sync;

// Numbers of the diagnostic files: an unreadable reply, and a refusal.
constexpr int kUnreadableReply = 2222;
constexpr int kRefusedReply = 1111;

} // namespace

ContactSync::ContactSync(CloudClient& client, LocalDatabase& database,
                         const AttributionDatabase& attribution, CloudHost& host,
                         CloudProgress& progress, const AccountFlow& account, QString dataRoot)
    : client_(client)
    , database_(database)
    , attribution_(attribution)
    , host_(host)
    , progress_(progress)
    , account_(account)
    , dataRoot_(std::move(dataRoot)) {}

void ContactSync::Start() {
    if (!account_.IsLoggedIn()) {
        host_.ShowTip(QStringLiteral("请登录后再同步联系人"));
        return;
    }
    if (!progress_.Start(kChain, kWatchdogSeconds)) {
        return; // a backup or sync is under way; its panel is showing
    }
    chain_ = progress_.NewChainTag();
    running_ = true;
    RequestPage(1);
}

void ContactSync::RequestPage(int page) {
    if (total_ == 0) {
        total_ = 1;
    }
    progress_.SetText(
        kChain, QStringLiteral("正在下载联系人 %1%").arg(page == 0 ? 0 : page * 100 / total_));
    if (page == 1) {
        cloud_.clear();
    }
    requested_ = page;
    CloudRequest request = client_.Requests().ContactAll(page, kPageSize);
    request.tag = chain_;
    client_.Submit(request);
}

void ContactSync::OnFailure(const CloudFailure& failure) {
    if (failure.tag == chain_ && running_) {
        Finish(false, failure.timedOut ? QStringLiteral("网络超时，下载联系人失败")
                                       : QStringLiteral("无法连接服务器，下载联系人失败"));
    }
}

void ContactSync::OnReply(const CloudReply& reply) {
    if (reply.tag != chain_ || !running_) {
        return;
    }
    const CloudEnvelope envelope = CloudEnvelope::Read(reply.body);
    if (envelope.state == CloudEnvelope::State::NoBrace) {
        Finish(true); // what came so far is applied
        return;
    }
    if (!envelope.Readable() || envelope.code != 0) {
        WriteDiagnostic(envelope.Readable() ? kRefusedReply : kUnreadableReply, reply.body);
        Finish(false);
        return;
    }
    const int page = CloudEnvelope::IntMember(envelope.data, "page");
    total_ = CloudEnvelope::IntMember(envelope.data, "total");
    const Json::Value& list = CloudEnvelope::Member(envelope.data, "list");
    if (list.isArray()) {
        for (const Json::Value& item : list) {
            if (item.isObject()) {
                cloud_.push_back(CloudContact::FromJson(item));
            }
        }
    }
    // A page number that does not move forward would ask for the same page for ever.
    if (page < total_ && page + 1 > requested_) {
        RequestPage(page + 1);
    } else {
        Finish(true);
    }
}

void ContactSync::Finish(bool ok, const QString& failure) {
    running_ = false;
    if (ok) {
        Apply();
        return;
    }
    progress_.End(kChain);
    host_.ShowTip(failure);
}

std::vector<ContactRecord> ContactSync::NewContacts(const std::vector<ContactRecord>& cloud,
                                                    const std::vector<QString>& localPhones) {
    const std::unordered_set<QString> stored(localPhones.begin(), localPhones.end());
    std::vector<ContactRecord> fresh;
    for (const ContactRecord& contact : cloud) {
        for (const QString& number : contact.phone.split(u';')) {
            if (number.isEmpty() || stored.count(number) != 0) {
                continue;
            }
            ContactRecord copy = contact;
            copy.phone = number;
            fresh.push_back(std::move(copy));
        }
    }
    return fresh;
}

void ContactSync::Apply() {
    if (!cloud_.empty()) {
        std::vector<QString> localPhones;
        for (const ContactRecord& local : database_.Contacts().GetAll()) {
            localPhones.push_back(local.phone);
        }
        // All or nothing: a failed insert rolls the whole download back.
        if (!database_.Contacts().InsertDownloaded(NewContacts(cloud_, localPhones),
                                                   attribution_)) {
            Finish(false);
            return;
        }
    }
    host_.ReloadContacts();
    progress_.End(kChain);
    host_.ShowTip(QStringLiteral("同步联系人成功"));
}

void ContactSync::WriteDiagnostic(int number, const std::string& body) const {
    const QDir log(QDir(dataRoot_).filePath(QStringLiteral("Log")));
    if (!log.mkpath(QStringLiteral("."))) {
        return;
    }
    QFile file(log.filePath(QStringLiteral("downloadlist%1.txt").arg(number)));
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        file.write(body.data(), qint64(body.size()));
    }
}

} // namespace tamberlink
