#include "app/ContactSyncService.h"

#include "carddav/DavClient.h"
#include "cloud/PasswordKeyring.h"
#include "store/LocalDatabase.h"

#include <QDateTime>
#include <QEventLoop>
#include <QLoggingCategory>

#include <chrono>
#include <future>
#include <memory>

namespace tamberlink {

namespace {

Q_LOGGING_CATEGORY(lcSync, "tamberlink.carddav")

const QString kPasswordKey = QStringLiteral("carddav");
// How long a sync waits for the user's answer about deleting contacts.
constexpr auto kAnswerLimit = std::chrono::minutes(10);
// The first sync leaves the start to the windows.
constexpr int kFirstSyncMs = 5 * 1000;

} // namespace

ContactSyncService::ContactSyncService(LocalDatabase& database,
                                       const AttributionDatabase& attribution,
                                       PasswordKeyring* keyring, Hooks hooks, QObject* parent)
    : QObject(parent)
    , database_(database)
    , attribution_(attribution)
    , keyring_(keyring)
    , hooks_(std::move(hooks)) {
    period_.setInterval(kPeriodMs);
    afterChange_.setSingleShot(true);
    afterChange_.setInterval(kAfterChangeMs);
    connect(&period_, &QTimer::timeout, this, [this] { SyncNow(); });
    connect(&afterChange_, &QTimer::timeout, this, [this] { SyncNow(); });
    worker_ = std::thread([this] { WorkerLoop(); });
}

ContactSyncService::~ContactSyncService() {
    Stop();
}

void ContactSyncService::Start() {
    period_.start();
    if (!Account().book.isEmpty()) {
        QTimer::singleShot(kFirstSyncMs, this, [this] { SyncNow(); });
    }
}

void ContactSyncService::Stop() {
    period_.stop();
    afterChange_.stop();
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        jobs_.clear();
        if (current_ != nullptr) {
            current_->Cancel();
        }
    }
    wake_.notify_all();
    if (worker_.joinable()) {
        worker_.join();
    }
    emit Stopped();
}

void ContactSyncService::Post(std::function<void()> job) {
    {
        std::lock_guard lock(mutex_);
        if (stopping_) {
            return;
        }
        jobs_.push_back(std::move(job));
    }
    wake_.notify_all();
}

void ContactSyncService::WorkerLoop() {
    for (;;) {
        std::function<void()> job;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return stopping_ || !jobs_.empty(); });
            if (stopping_) {
                return;
            }
            job = std::move(jobs_.front());
            jobs_.pop_front();
        }
        job();
    }
}

AddressBookAccount ContactSyncService::Account() {
    return database_.AddressBook().ReadAccount();
}

bool ContactSyncService::SaveAccount(const QString& server, const QString& user,
                                     const QString& book, const QString& password) {
    if (!database_.AddressBook().WriteAccount(server.trimmed(), user.trimmed(), book)) {
        return false;
    }
    // An empty field keeps the password there is.
    if (password.isEmpty()) {
        return true;
    }
    sessionPassword_ = password;
    if (keyring_ != nullptr) {
        keyring_->Write(kPasswordKey, password, [](bool kept) {
            if (!kept) {
                qCInfo(lcSync) << "no keyring: the password is kept for this session only";
            }
        });
    }
    return true;
}

void ContactSyncService::Discover(const QString& server, const QString& user,
                                  const QString& password) {
    Post([this, server = server.trimmed(), user = user.trimmed(), password] {
        DavClient client(user.toStdString(), password.toStdString());
        {
            std::lock_guard lock(mutex_);
            current_ = &client;
        }
        CardDavServer dav(client);
        std::optional<DavFailure> failure;
        std::vector<AddressBookInfo> books = dav.Discover(server, failure);
        {
            std::lock_guard lock(mutex_);
            current_ = nullptr;
        }
        const QString error = failure ? failure->Text() : QString();
        hooks_.post([this, books = std::move(books), error] { emit BooksFound(books, error); });
    });
}

void ContactSyncService::WithPassword(const std::function<void(QString)>& use) {
    if (keyring_ == nullptr) {
        use(sessionPassword_);
        return;
    }
    keyring_->Read(kPasswordKey, [this, use](std::optional<QString> secret) {
        use(secret ? *secret : sessionPassword_);
    });
}

int ContactSyncService::SyncNow(const std::optional<QString>& password) {
    afterChange_.stop();
    ++pendingSyncs_;
    const int ticket = ++lastTicket_;
    emit SyncStarted();
    const auto start = [this, ticket](const QString& secret) {
        Post([this, secret, ticket] { RunSync(secret, ticket); });
    };
    if (password) {
        start(*password);
    } else {
        WithPassword(start);
    }
    return ticket;
}

SyncOutcome ContactSyncService::SyncAndWait(const std::optional<QString>& password) {
    QEventLoop loop;
    SyncOutcome result;
    int wanted = 0;
    // Other syncs (the timers', the window's) may finish before this one.
    const QMetaObject::Connection connection =
        connect(this, &ContactSyncService::SyncFinished, &loop,
                [&](const SyncOutcome& outcome, int ticket) {
                    if (ticket == wanted) {
                        result = outcome;
                        loop.quit();
                    }
                });
    result.error = QStringLiteral("程序正在退出，没有同步");
    connect(this, &ContactSyncService::Stopped, &loop, &QEventLoop::quit);
    {
        std::lock_guard lock(mutex_);
        if (stopping_) {
            return result;
        }
    }
    wanted = SyncNow(password);
    loop.exec();
    disconnect(connection);
    return result;
}

void ContactSyncService::LocalChanged() {
    if (!Account().book.isEmpty()) {
        afterChange_.start();
    }
}

bool ContactSyncService::ConfirmDeletion(int contacts, int total) {
    if (!hooks_.askDeletion) {
        return false;
    }
    auto answer = std::make_shared<std::promise<bool>>();
    std::future<bool> answered = answer->get_future();
    hooks_.post([this, contacts, total, answer] {
        hooks_.askDeletion(contacts, total, [answer](bool yes) {
            try {
                answer->set_value(yes);
            } catch (const std::future_error&) {
                // answered twice: the first answer stands
            }
        });
    });
    const auto until = std::chrono::steady_clock::now() + kAnswerLimit;
    while (std::chrono::steady_clock::now() < until) {
        if (answered.wait_for(std::chrono::milliseconds(200)) == std::future_status::ready) {
            return answered.get();
        }
        std::lock_guard lock(mutex_);
        if (stopping_) {
            return false;
        }
    }
    return false;
}

void ContactSyncService::RunSync(const QString& password, int ticket) {
    const AddressBookAccount account = Account();
    SyncOutcome outcome;
    if (account.book.isEmpty()) {
        outcome.error = QStringLiteral("还没有选择要同步的通讯录");
    } else {
        DavClient client(account.user.toStdString(), password.toStdString());
        {
            std::lock_guard lock(mutex_);
            current_ = &client;
        }
        CardDavServer server(client);
        AddressBookSync sync(database_, attribution_, server);
        outcome = sync.Run(account.book, [this](int contacts, int total) {
            return ConfirmDeletion(contacts, total);
        });
        {
            std::lock_guard lock(mutex_);
            current_ = nullptr;
        }
    }
    qCInfo(lcSync) << outcome.Summary() << outcome.bytes << "bytes";
    database_.AddressBook().WriteResult(QDateTime::currentSecsSinceEpoch(), outcome.Summary());
    const bool changed = outcome.received + outcome.removed + outcome.merged > 0;
    hooks_.post([this, outcome, changed, ticket] {
        --pendingSyncs_;
        if (changed && hooks_.contactsChanged) {
            hooks_.contactsChanged();
        }
        emit SyncFinished(outcome, ticket);
    });
}

} // namespace tamberlink
