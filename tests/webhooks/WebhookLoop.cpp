// Posts webhooks until it is killed, for the test that kills it during deliveries.
//   tamberlink-webhook-loop DATABASE URL SECRET EVENTS
// Opens the database (a copy of the seed), adds a webhook for URL with SECRET when it has
// none, journals EVENTS new events, prints "journaled" once they are in the database, then
// delivers what is queued until the end.
#include "store/LocalDatabase.h"
#include "webhooks/WebhookService.h"

#include <QString>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <thread>

using namespace tamberlink;

int main(int argc, char** argv) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: tamberlink-webhook-loop DATABASE URL SECRET EVENTS\n");
        return 2;
    }
    LocalDatabase database;
    if (!database.Open(QString::fromLocal8Bit(argv[1])) || !database.RunMigrations()) {
        std::fprintf(stderr, "cannot open %s\n", argv[1]);
        return 1;
    }
    WebhookService::Options options;
    options.retryDelays.assign(7, std::chrono::milliseconds(100));
    options.timeout = std::chrono::seconds(5);
    options.workers = 2;
    WebhookService service(database, nullptr, options);
    const qint64 newest = service.Start();
    if (service.Endpoints().empty()) {
        const WebhookService::Added added =
            service.AddEndpoint(QString::fromLocal8Bit(argv[2]), {});
        const QString error =
            added.id == 0 ? added.error : service.SetSecret(added.id, QString::fromLatin1(argv[3]));
        if (!error.isEmpty()) {
            std::fprintf(stderr, "%s\n", error.toUtf8().constData());
            return 1;
        }
    }
    const int events = std::atoi(argv[4]);
    for (int i = 1; i <= events; ++i) {
        const qint64 id = newest + i;
        service.Record({id, qint64(std::time(nullptr)), QStringLiteral("ended"),
                        QStringLiteral("{\"time\":\"now\",\"n\":%1}").arg(id)});
    }
    while (service.PendingEvents() > 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    std::printf("journaled\n");
    std::fflush(stdout);
    for (;;) {
        std::this_thread::sleep_for(std::chrono::seconds(1));
    }
}
