#pragma once

#include <QString>

#include <array>
#include <optional>

namespace tamberlink {

// The user's standing answers for the web pages of one origin that asked to use the local
// API ("http://crm.example:8080"), one for each purpose a page may ask for.
struct OriginRecord {
    // The purposes, in the order of `answers` and of their columns in table_origin.
    enum Use { kDial, kSms, kRecord, kEvents, kUses };

    int id = 0;
    QString origin;
    // Allowed or refused; empty where the pages have not been answered for that purpose.
    std::array<std::optional<bool>, kUses> answers;
};

} // namespace tamberlink
