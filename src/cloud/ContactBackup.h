#pragma once

#include "cloud/CloudRequest.h"
#include "store/ContactRecord.h"

#include <cstdint>
#include <vector>

namespace tamberlink {

class AccountFlow;
class CloudClient;
class CloudProgress;
class LocalDatabase;
class CloudHost;

// Copies the local contacts to the cloud: the user's cloud contacts are cleared, then the
// local ones go up in pages of 100, each reply sending the next page. The local database is
// only read.
class ContactBackup {
public:
    static constexpr int kPageSize = 100;
    static constexpr int kWatchdogSeconds = 300;

    ContactBackup(CloudClient& client, LocalDatabase& database, CloudHost& host,
                  CloudProgress& progress, const AccountFlow& account);

    // Refused when logged out, and while a backup or sync holds the progress panel.
    void Start();

    // Replies of CONTACT_DEL_RANGE and CONTACT_ADD_RANGE, and the delRange timeout. Those of
    // an earlier backup than the current one are ignored.
    void OnReply(const CloudReply& reply);
    void OnDelRangeTimeout(std::uint64_t tag);

private:
    void SendPage();
    void Finish(bool ok);
    void FailWithTimeout();

    CloudClient& client_;
    LocalDatabase& database_;
    CloudHost& host_;
    CloudProgress& progress_;
    const AccountFlow& account_;
    std::uint64_t chain_ = 0; // tag of the current backup's requests
    int page_ = 0;            // next page to send
    std::vector<ContactRecord> contacts_;
};

} // namespace tamberlink
