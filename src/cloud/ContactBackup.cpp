#include "cloud/ContactBackup.h"

#include "cloud/AccountFlow.h"
#include "cloud/CloudClient.h"
#include "cloud/CloudContact.h"
#include "cloud/CloudEnvelope.h"
#include "cloud/CloudHost.h"
#include "cloud/CloudProgress.h"
#include "store/LocalDatabase.h"
#include "util/TextCodec.h"

#include <json/writer.h>

#include <algorithm>

namespace tamberlink {

namespace {

constexpr auto kChain = CloudProgress::Chain::Backup;

// Backups replace the cloud contacts stored from this day on, that is all of them.
constexpr const char* kClearFrom = "2015-01-01";

} // namespace

ContactBackup::ContactBackup(CloudClient& client, LocalDatabase& database, CloudHost& host,
                             CloudProgress& progress, const AccountFlow& account)
    : client_(client)
    , database_(database)
    , host_(host)
    , progress_(progress)
    , account_(account) {}

void ContactBackup::Start() {
    if (!account_.IsLoggedIn()) {
        host_.ShowTip(QStringLiteral("请登录后再备份联系人"));
        return;
    }
    if (!progress_.Start(kChain, kWatchdogSeconds)) {
        return; // a backup or sync is under way; its panel is showing
    }
    ++chain_;
    page_ = 0;
    progress_.SetText(kChain, QStringLiteral("正在校验云端联系人"));
    CloudRequest request = client_.Requests().ContactDelRange(kClearFrom);
    request.tag = chain_;
    client_.Submit(request);
}

void ContactBackup::OnReply(const CloudReply& reply) {
    if (reply.tag != chain_) {
        return;
    }
    if (reply.kind == CONTACT_DEL_RANGE) {
        // Whatever the service says, an answer means the upload may begin.
        if (reply.body.empty()) {
            FailWithTimeout();
        } else {
            SendPage();
        }
        return;
    }
    const CloudEnvelope envelope = CloudEnvelope::Read(reply.body);
    switch (envelope.state) {
    case CloudEnvelope::State::NoBrace:
        Finish(false);
        return;
    case CloudEnvelope::State::Unparsable:
        return; // the watchdog ends the backup
    case CloudEnvelope::State::Read:
        break;
    }
    if (envelope.code != 0) {
        Finish(false);
        return;
    }
    ++page_;
    if (std::size_t(page_) * kPageSize < contacts_.size()) {
        SendPage();
    } else {
        Finish(true);
    }
}

void ContactBackup::OnDelRangeTimeout(std::uint64_t tag) {
    if (tag == chain_) {
        FailWithTimeout();
    }
}

void ContactBackup::SendPage() {
    if (page_ == 0) {
        contacts_ = database_.GetContactsForBackup();
    }
    Json::Value page(Json::arrayValue);
    const std::size_t first = std::size_t(page_) * kPageSize;
    const std::size_t end = std::min(contacts_.size(), first + kPageSize);
    for (std::size_t i = first; i < end; ++i) {
        // Every upload gets fresh identifiers: the cloud copy is a new set of contacts.
        page.append(CloudContact::ToJson(contacts_[i], NewGuidText()));
    }
    if (contacts_.empty()) {
        page.append(CloudContact::Empty());
    }
    const std::string json = Json::StyledWriter().write(page);

    const int total = std::max<int>(1, int(contacts_.size()));
    progress_.SetText(kChain, QStringLiteral("正在备份联系人 %1%").arg(page_ * 10000 / total));
    CloudRequest request = client_.Requests().ContactAddRange(json);
    request.tag = chain_;
    client_.Submit(request);
}

void ContactBackup::Finish(bool ok) {
    progress_.End(kChain);
    host_.ShowTip(ok ? QStringLiteral("备份成功") : QStringLiteral("备份失败"));
}

void ContactBackup::FailWithTimeout() {
    progress_.End(kChain);
    host_.ShowTip(QStringLiteral("网络超时，备份失败"));
}

} // namespace tamberlink
