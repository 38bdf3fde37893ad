#pragma once

#include "webhooks/WebhookService.h"

#include <QString>

#include <chrono>
#include <cstdint>
#include <memory>

namespace tamberlink {

class PasswordKeyring;

// Where the core keeps and finds its files. Empty fields take the defaults.
struct AppConfig {
    // The folder that holds the data root "Tamberlink"; by default the user's documents.
    QString documentsFolder;
    // The folder of the seed and attribution databases; by default <program dir>/Data, then
    // the installed data folder.
    QString dataFolder;
    // The port of the local HTTP API on 127.0.0.1; 0 takes any free port.
    std::uint16_t localApiPort = 9123;
    // The cloud service's base URL; by default the one the program was built with.
    QString cloudBaseUrl = {};
    // The folder of the cloud cookie file; by default the application's local data folder.
    QString cookieFolder = {};
    // Where a remembered password is kept; none by default, and then the database keeps only
    // the hash a login needs.
    std::shared_ptr<PasswordKeyring> keyring = {};
    // When set, the watchdog of a contact backup or sync fires after this time instead of
    // minutes (for tests).
    std::chrono::milliseconds cloudWatchdog{0};
    // When set, a web page's request waits this long for the user's answer instead of a
    // minute (for tests).
    std::chrono::milliseconds webPageAskLimit{0};
    // Whether the contacts sync with the CardDAV address book at start, every 15 minutes and
    // after a change (a one-off command's core syncs only when asked).
    bool contactSyncTimers = true;
    // The webhooks' retry delays, time limits and bounds (shorter ones for tests).
    WebhookService::Options webhooks = {};
};

} // namespace tamberlink
