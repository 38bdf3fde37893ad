#include "cloud/ContactBackup.h"

#include "cloud/AccountFlow.h"
#include "cloud/CloudClient.h"
#include "cloud/CloudContact.h"
#include "cloud/CloudEnvelope.h"
#include "cloud/CloudHost.h"
#include "cloud/CloudProgress.h"
#include "store/LocalDatabase.h"
#include "util/AtomicFile.h"
#include "util/TextCodec.h"

#include <QDir>
#include <QFileInfo>

#include <json/writer.h>

#include <algorithm>

namespace tamberlink {

namespace {

constexpr auto kChain = CloudProgress::Chain::Backup;

// Backups replace the cloud contacts stored from this day on, that is all of them.
constexpr const char* kClearFrom = "2015-01-01";

std::string PageJson(const Json::Value& page) {
    return Json::StyledWriter().write(page);
}

} // namespace

ContactBackup::ContactBackup(CloudClient& client, LocalDatabase& database, CloudHost& host,
                             CloudProgress& progress, const AccountFlow& account, QString dataRoot)
    : client_(client)
    , database_(database)
    , host_(host)
    , progress_(progress)
    , account_(account)
    , dataRoot_(std::move(dataRoot)) {}

QString ContactBackup::SnapshotPath() const {
    return QDir(dataRoot_).filePath(QStringLiteral("Log/cloud-contacts-before-backup.json"));
}

void ContactBackup::Start() {
    if (!account_.IsLoggedIn()) {
        host_.ShowTip(QStringLiteral("请登录后再备份联系人"));
        return;
    }
    if (!progress_.Start(kChain, kWatchdogSeconds)) {
        return; // a backup or sync is under way; its panel is showing
    }
    chain_ = progress_.NewChainTag();
    snapshot_ = Json::Value(Json::arrayValue);
    snapshotKept_ = false;
    reason_.clear();
    step_ = Step::Reading;
    progress_.SetText(kChain, QStringLiteral("正在校验云端联系人"));
    RequestOldPage(1);
}

void ContactBackup::Submit(CloudRequest request) {
    request.tag = chain_;
    client_.Submit(request);
}

void ContactBackup::RequestOldPage(int page) {
    page_ = page;
    Submit(client_.Requests().ContactAll(page, kSnapshotPageSize));
}

void ContactBackup::OnReply(const CloudReply& reply) {
    if (reply.tag != chain_ || step_ == Step::Idle) {
        return;
    }
    if (step_ == Step::Reading) {
        if (reply.kind == CONTACT_ALL) {
            OnOldPage(reply);
        }
        return;
    }
    if (reply.kind == CONTACT_DEL_RANGE) {
        // Whatever the service says, an answer means the upload may begin.
        if (reply.body.empty()) {
            Fail(QStringLiteral("网络超时，备份失败"));
        } else if (step_ == Step::Clearing) {
            step_ = Step::Uploading;
            page_ = 0;
            SendPage();
        } else if (step_ == Step::Undoing) {
            step_ = Step::Restoring;
            page_ = 0;
            SendOldPage();
        }
        return;
    }
    if (reply.kind != CONTACT_ADD_RANGE || (step_ != Step::Uploading && step_ != Step::Restoring)) {
        return;
    }
    const CloudEnvelope envelope = CloudEnvelope::Read(reply.body);
    if (!envelope.Readable() || envelope.code != 0) {
        Fail(QStringLiteral("备份失败"));
        return;
    }
    ++page_;
    if (step_ == Step::Uploading) {
        if (std::size_t(page_) * kPageSize < contacts_.size()) {
            SendPage();
        } else {
            Finish(QStringLiteral("备份成功"));
        }
    } else if (Json::ArrayIndex(page_) * kPageSize < snapshot_.size()) {
        SendOldPage();
    } else {
        Finish(reason_ + QStringLiteral("，云端联系人已恢复原样"));
    }
}

void ContactBackup::OnFailure(const CloudFailure& failure) {
    if (failure.tag != chain_ || step_ == Step::Idle) {
        return;
    }
    Fail(failure.timedOut ? QStringLiteral("网络超时，备份失败")
                          : QStringLiteral("无法连接服务器，备份失败"));
}

void ContactBackup::OnOldPage(const CloudReply& reply) {
    const CloudEnvelope envelope = CloudEnvelope::Read(reply.body);
    if (!envelope.Readable() || envelope.code != 0) {
        Fail(QStringLiteral("备份失败"));
        return;
    }
    const int page = CloudEnvelope::IntMember(envelope.data, "page");
    const int total = CloudEnvelope::IntMember(envelope.data, "total");
    const Json::Value& list = CloudEnvelope::Member(envelope.data, "list");
    if (list.isArray()) {
        for (const Json::Value& item : list) {
            if (item.isObject()) {
                snapshot_.append(item);
            }
        }
    }
    // A page number that does not move forward would ask for the same page for ever.
    if (page < total && page + 1 > page_) {
        RequestOldPage(page + 1);
        return;
    }
    snapshotKept_ = KeepSnapshot();
    step_ = Step::Clearing;
    Submit(client_.Requests().ContactDelRange(kClearFrom));
}

bool ContactBackup::KeepSnapshot() {
    // Should the old copy not go back up, the user still has it.
    const QString path = SnapshotPath();
    return QDir().mkpath(QFileInfo(path).absolutePath()) &&
           AtomicFile::Write(path, PageJson(snapshot_));
}

void ContactBackup::SendPage() {
    if (page_ == 0) {
        contacts_ = database_.Contacts().GetForBackup();
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
    const int total = std::max<int>(1, int(contacts_.size()));
    progress_.SetText(kChain, QStringLiteral("正在备份联系人 %1%").arg(page_ * 10000 / total));
    Submit(client_.Requests().ContactAddRange(PageJson(page)));
}

void ContactBackup::SendOldPage() {
    if (snapshot_.empty()) {
        Finish(reason_ + QStringLiteral("，云端联系人已恢复原样"));
        return;
    }
    Json::Value page(Json::arrayValue);
    const Json::ArrayIndex first = Json::ArrayIndex(page_) * kPageSize;
    const Json::ArrayIndex end = std::min(snapshot_.size(), first + kPageSize);
    for (Json::ArrayIndex i = first; i < end; ++i) {
        page.append(snapshot_[i]);
    }
    progress_.SetText(
        kChain,
        QStringLiteral("正在恢复云端联系人 %1%").arg(first * 100 / std::max(1u, snapshot_.size())));
    Submit(client_.Requests().ContactAddRange(PageJson(page)));
}

void ContactBackup::Fail(const QString& reason) {
    switch (step_) {
    case Step::Idle:
        return;
    case Step::Reading:
        Finish(reason + QStringLiteral("，云端联系人没有改动"));
        return;
    case Step::Clearing:
    case Step::Uploading:
        reason_ = reason;
        step_ = Step::Undoing;
        progress_.SetText(kChain, QStringLiteral("正在恢复云端联系人"));
        Submit(client_.Requests().ContactDelRange(kClearFrom));
        return;
    case Step::Undoing:
    case Step::Restoring:
        Finish(reason_ + (snapshotKept_
                              ? QStringLiteral("，云端联系人未能恢复，原来的联系人已保存在 %1")
                                    .arg(QDir::toNativeSeparators(SnapshotPath()))
                              : QStringLiteral("，云端联系人未能恢复")));
        return;
    }
}

void ContactBackup::Finish(const QString& notice) {
    step_ = Step::Idle;
    progress_.End(kChain);
    host_.ShowTip(notice);
}

} // namespace tamberlink
