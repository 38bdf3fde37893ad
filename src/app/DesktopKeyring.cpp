#include "app/DesktopKeyring.h"

#include <QLoggingCategory>

#include <qt6keychain/keychain.h>

namespace tamberlink {

namespace {

Q_LOGGING_CATEGORY(lcKeyring, "tamberlink.keyring", QtWarningMsg)

const QString kService = QStringLiteral("Tamberlink");

// Sets up a job: never a file in clear instead of a keyring, and deleted once finished.
template <class Job>
Job* MakeJob(const QString& key) {
    auto* job = new Job(kService);
    job->setAutoDelete(true);
    job->setInsecureFallback(false);
    job->setKey(key);
    return job;
}

bool Succeeded(const QKeychain::Job* job) {
    if (job->error() != QKeychain::NoError && job->error() != QKeychain::EntryNotFound) {
        qCInfo(lcKeyring) << "keyring:" << job->errorString();
    }
    return job->error() == QKeychain::NoError;
}

} // namespace

void DesktopKeyring::Write(const QString& key, const QString& secret,
                           std::function<void(bool)> done) {
    auto* job = MakeJob<QKeychain::WritePasswordJob>(key);
    job->setTextData(secret);
    QObject::connect(job, &QKeychain::Job::finished, job,
                     [done = std::move(done)](QKeychain::Job* finished) {
                         const bool ok = Succeeded(finished);
                         if (done) {
                             done(ok);
                         }
                     });
    job->start();
}

void DesktopKeyring::Read(const QString& key, std::function<void(std::optional<QString>)> done) {
    auto* job = MakeJob<QKeychain::ReadPasswordJob>(key);
    QObject::connect(job, &QKeychain::Job::finished, job,
                     [job, done = std::move(done)](QKeychain::Job* finished) {
                         std::optional<QString> secret;
                         if (Succeeded(finished)) {
                             secret = job->textData();
                         }
                         if (done) {
                             done(secret);
                         }
                     });
    job->start();
}

void DesktopKeyring::Remove(const QString& key) {
    auto* job = MakeJob<QKeychain::DeletePasswordJob>(key);
    QObject::connect(job, &QKeychain::Job::finished, job,
                     [](QKeychain::Job* finished) { Succeeded(finished); });
    job->start();
}

} // namespace tamberlink
