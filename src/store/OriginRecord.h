#pragma once

#include <QString>

namespace tamberlink {

// The user's standing answer for the web pages of one origin that asked to use the local
// API: "http://crm.example:8080" allowed or refused.
struct OriginRecord {
    int id = 0;
    QString origin;
    bool allowed = false;
};

} // namespace tamberlink
