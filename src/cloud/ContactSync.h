#pragma once

#include "cloud/CloudRequest.h"
#include "store/ContactRecord.h"

#include <QString>

#include <cstdint>
#include <vector>

namespace tamberlink {

class AccountFlow;
class AttributionDatabase;
class CloudClient;
class CloudProgress;
class LocalDatabase;
class CloudHost;

// Copies the cloud contacts into the local database: the pages of 20 are fetched one after
// the other, then every number not yet stored locally is added, all in one transaction.
class ContactSync {
public:
    static constexpr int kPageSize = 20;
    static constexpr int kWatchdogSeconds = 900;

    // Failed replies are kept for diagnosis in `dataRoot`/Log. The stored contacts get their
    // numbers' attribution from `attribution`.
    ContactSync(CloudClient& client, LocalDatabase& database,
                const AttributionDatabase& attribution, CloudHost& host, CloudProgress& progress,
                const AccountFlow& account, QString dataRoot);

    // Refused when logged out, and while a backup or sync holds the progress panel.
    void Start();

    // Replies of CONTACT_ALL, and requests of it that got no reply; those of an earlier sync
    // than the current one, or of a backup, are ignored.
    void OnReply(const CloudReply& reply);
    void OnFailure(const CloudFailure& failure);

    // The cloud contacts split into one contact per number, without the numbers that are
    // stored locally (`localPhones`) and without empty numbers.
    static std::vector<ContactRecord> NewContacts(const std::vector<ContactRecord>& cloud,
                                                  const std::vector<QString>& localPhones);

private:
    void RequestPage(int page);
    void Finish(bool ok, const QString& failure = QStringLiteral("下载联系人失败"));
    void Apply();
    void WriteDiagnostic(int number, const std::string& body) const;

    CloudClient& client_;
    LocalDatabase& database_;
    const AttributionDatabase& attribution_;
    CloudHost& host_;
    CloudProgress& progress_;
    const AccountFlow& account_;
    QString dataRoot_;
    std::uint64_t chain_ = 0; // tag of the current sync's requests
    bool running_ = false;
    int requested_ = 0; // the page asked for last
    int total_ = 0;     // the last "total" received: the number of pages
    std::vector<ContactRecord> cloud_;
};

} // namespace tamberlink
