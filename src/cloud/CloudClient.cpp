#include "cloud/CloudClient.h"

#include "util/TextCodec.h"

#include <QDir>
#include <QFile>
#include <QLoggingCategory>

#include <curl/curl.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <system_error>

namespace tamberlink {

const char* const kDefaultCloudBaseUrl = TAMBERLINK_CLOUD_BASE_URL;

namespace {

Q_LOGGING_CATEGORY(lcCloud, "tamberlink.cloud", QtWarningMsg)

// libcurl's global state, kept alive while any client or worker still uses it.
struct CurlGlobal {
    CurlGlobal() { curl_global_init(CURL_GLOBAL_ALL); }
    ~CurlGlobal() { curl_global_cleanup(); }
    CurlGlobal(const CurlGlobal&) = delete;
    CurlGlobal& operator=(const CurlGlobal&) = delete;
};

// One cookie store for all transfers of a client. A transfer with a store of its own reads the
// cookie file as it starts and writes its store back as it ends: transfers side by side wrote
// the file without the session cookie another had just been given, and the requests after them
// went out without their session.
class CookieShare {
public:
    CookieShare()
        : share_(curl_share_init()) {
        if (share_ != nullptr) {
            curl_share_setopt(share_, CURLSHOPT_LOCKFUNC, Lock);
            curl_share_setopt(share_, CURLSHOPT_UNLOCKFUNC, Unlock);
            curl_share_setopt(share_, CURLSHOPT_USERDATA, this);
            curl_share_setopt(share_, CURLSHOPT_SHARE, CURL_LOCK_DATA_COOKIE);
        }
    }
    ~CookieShare() {
        if (share_ != nullptr) {
            curl_share_cleanup(share_);
        }
    }
    CookieShare(const CookieShare&) = delete;
    CookieShare& operator=(const CookieShare&) = delete;

    CURLSH* Handle() const { return share_; }

private:
    static void Lock(CURL*, curl_lock_data data, curl_lock_access, void* self) {
        static_cast<CookieShare*>(self)->mutexes_[data].lock();
    }
    static void Unlock(CURL*, curl_lock_data data, void* self) {
        static_cast<CookieShare*>(self)->mutexes_[data].unlock();
    }

    CURLSH* share_;
    std::array<std::mutex, CURL_LOCK_DATA_LAST> mutexes_;
};

std::size_t WriteReply(char* data, std::size_t size, std::size_t count, void* userData) {
    auto* reply = static_cast<std::string*>(userData);
    const std::size_t bytes = size * count;
    if (reply == nullptr || data == nullptr ||
        reply->size() + bytes > CloudClient::kMaxReplyBytes) {
        return 0; // anything but `bytes` makes libcurl abort with a write error
    }
    reply->append(data, bytes);
    return bytes;
}

int PrintDebug(CURL*, curl_infotype type, char* data, std::size_t size, void*) {
    const char* prefix = nullptr;
    switch (type) {
    case CURLINFO_HEADER_IN:
        prefix = "[HEADER_IN]";
        break;
    case CURLINFO_HEADER_OUT:
        prefix = "[HEADER_OUT]";
        break;
    case CURLINFO_DATA_IN:
        prefix = "[DATA_IN]";
        break;
    case CURLINFO_DATA_OUT:
        prefix = "[DATA_OUT]";
        break;
    default:
        return 0;
    }
    std::printf("%s%.*s\n", prefix, static_cast<int>(size), data);
    return 0;
}

const char* const kFormHeaders[] = {
    "Accept:text/html",
    "Accept-Language: zh-CN",
    "User-Agent: Tamberlink v1.0",
    "Content-Type: application/x-www-form-urlencoded",
    "Accept-Encoding: gzip, deflate",
    "Connection: Close",
};

// The last entry only keeps libcurl from advertising encodings of its own: a reply that comes
// compressed anyway is still inflated.
const char* const kJsonHeaders[] = {
    "Accept:text/html",
    "Accept-Language: zh-CN",
    "User-Agent: Tamberlink v1.0",
    "Content-Type: application/json;charset=utf-8",
    "Connection: Close",
    "Accept-Encoding:",
};

const char* const kGetHeaders[] = {
    "Accept-Encoding:",
};

template <std::size_t N>
curl_slist* MakeList(const char* const (&headers)[N]) {
    curl_slist* list = nullptr;
    for (const char* header : headers) {
        curl_slist* grown = curl_slist_append(list, header);
        if (grown == nullptr) {
            curl_slist_free_all(list);
            return nullptr;
        }
        list = grown;
    }
    return list;
}

} // namespace

struct CloudClient::Shared {
    std::shared_ptr<CurlGlobal> curl = std::make_shared<CurlGlobal>();
    CookieShare cookies; // after `curl`: made after libcurl's set-up and cleaned up before it
    std::atomic<bool> aborting{false};
    std::mutex mutex;
    std::condition_variable changed;
    bool delivering = true;
    int running = 0;
    std::vector<std::thread::id> finished; // workers done and not yet joined
    QObject* context = nullptr;
    CloudClient* client = nullptr;
};

CloudClient::CloudClient(std::string baseUrl, const QString& cookieFolder)
    : requests_(std::move(baseUrl))
    , shared_(std::make_shared<Shared>()) {
    shared_->context = &context_;
    shared_->client = this;
    QDir().mkpath(cookieFolder);
    cookieFile_ = QDir(cookieFolder).filePath(QStringLiteral("dialercookie.txt"));
    // libcurl keeps the mode of an existing jar when it rewrites it.
    const QByteArray path = QFile::encodeName(cookieFile_);
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
    if (fd >= 0) {
        ::fchmod(fd, 0600);
        ::close(fd);
    } else {
        qCWarning(lcCloud) << "cannot create the cookie file" << cookieFile_;
    }
}

CloudClient::~CloudClient() {
    Stop();
}

void CloudClient::SetVerbose(bool verbose) {
    std::lock_guard lock(optionsMutex_);
    verbose_ = verbose;
}

void CloudClient::SetProxy(const QString& proxy) {
    std::lock_guard lock(optionsMutex_);
    proxy_ = WideToUtf8(proxy);
}

CloudClient::Options CloudClient::CurrentOptions() const {
    std::lock_guard lock(optionsMutex_);
    return {proxy_, WideToUtf8(cookieFile_), verbose_};
}

CloudClient::Transfer CloudClient::TransferFor(int kind) {
    switch (kind) {
    case VCODE_LOGIN:
    case VCODE_REG:
    case VCODE_FORGET:
        return Transfer::Get;
    case CONTACT_ADD_RANGE:
        return Transfer::Json;
    case USER_LOGIN:
    case USER_REG:
    case SMS_CODE:
    case USER_FORGET:
    case CONTACT_ALL:
    case CONTACT_DEL_RANGE:
    case FEEDBACK_ADD:
    case VERSION_UPD:
        return Transfer::Form;
    default:
        return Transfer::None;
    }
}

int CloudClient::Perform(Transfer transfer, const std::string& url, const std::string& body,
                         const Options& options, std::string& reply, const Shared* shared) {
    CURL* curl = curl_easy_init();
    if (curl == nullptr) {
        return CURLE_FAILED_INIT;
    }
    curl_slist* headers = transfer == Transfer::Form   ? MakeList(kFormHeaders)
                          : transfer == Transfer::Json ? MakeList(kJsonHeaders)
                                                       : MakeList(kGetHeaders);
    if (options.verbose) {
        curl_easy_setopt(curl, CURLOPT_VERBOSE, 1L);
        curl_easy_setopt(curl, CURLOPT_DEBUGFUNCTION, PrintDebug);
    }
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    if (transfer != Transfer::Get) {
        curl_easy_setopt(curl, CURLOPT_POST, 1L);
        curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
        curl_easy_setopt(curl, CURLOPT_POSTFIELDS, body.c_str());
    }
    if (!options.proxy.empty()) {
        curl_easy_setopt(curl, CURLOPT_PROXY, options.proxy.c_str());
    }
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
    curl_easy_setopt(curl, CURLOPT_ACCEPT_ENCODING, "");
    curl_easy_setopt(curl, CURLOPT_COOKIEFILE, options.cookieFile.c_str());
    curl_easy_setopt(curl, CURLOPT_COOKIEJAR, options.cookieFile.c_str());
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, WriteReply);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &reply);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, 8L);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT, transfer == Transfer::Json ? 30L : 8L);
    if (shared != nullptr && shared->cookies.Handle() != nullptr) {
        curl_easy_setopt(curl, CURLOPT_SHARE, shared->cookies.Handle());
    }
    if (shared != nullptr) {
        // Lets Stop() cut a transfer short instead of waiting for its timeout.
        curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
        curl_easy_setopt(curl, CURLOPT_XFERINFODATA, shared);
        curl_easy_setopt(
            curl, CURLOPT_XFERINFOFUNCTION,
            +[](void* data, curl_off_t, curl_off_t, curl_off_t, curl_off_t) -> int {
                return static_cast<const Shared*>(data)->aborting.load() ? 1 : 0;
            });
    }
    const CURLcode result = curl_easy_perform(curl);
    curl_easy_cleanup(curl);
    curl_slist_free_all(headers);
    return result;
}

int CloudClient::Get(const std::string& url, std::string& reply) {
    return Perform(Transfer::Get, url, {}, CurrentOptions(), reply, shared_.get());
}

int CloudClient::PostForm(const std::string& url, const std::string& body, std::string& reply) {
    return Perform(Transfer::Form, url, body, CurrentOptions(), reply, shared_.get());
}

int CloudClient::PostJson(const std::string& url, const std::string& body, std::string& reply) {
    return Perform(Transfer::Json, url, body, CurrentOptions(), reply, shared_.get());
}

void CloudClient::Submit(const CloudRequest& request) {
    Start(request, false);
}

void CloudClient::SubmitAfterPrefetch(const CloudRequest& request) {
    Start(request, true);
}

void CloudClient::Start(const CloudRequest& request, bool prefetch) {
    if (stopped_) {
        return;
    }
    Reap();
    {
        std::lock_guard lock(shared_->mutex);
        ++shared_->running;
    }
    try {
        workers_.emplace_back(RunWorker, shared_, request, CurrentOptions(), prefetch);
    } catch (const std::system_error&) {
        {
            std::lock_guard lock(shared_->mutex);
            --shared_->running;
        }
        if (onTip_) {
            onTip_(QStringLiteral("创建网络线程时失败"));
        }
        // The flow that waits for the request hears that it ended.
        ReportFailure({request.kind, request.tag, false});
    }
}

void CloudClient::RunWorker(std::shared_ptr<Shared> shared, CloudRequest request, Options options,
                            bool prefetch) {
    try {
        const Transfer transfer = TransferFor(request.kind);
        if (transfer != Transfer::None) {
            if (prefetch) {
                std::string ignored;
                Perform(Transfer::Get, request.url, {}, options, ignored, shared.get());
            }
            CloudReply reply{request.kind, {}, request.tag};
            const int result =
                Perform(transfer, request.url, request.body, options, reply.body, shared.get());
            std::lock_guard lock(shared->mutex);
            if (shared->delivering && request.kind > kFirstDeliveredKind &&
                request.kind < kLastDeliveredKind) {
                CloudClient* client = shared->client;
                if (result == CURLE_OK) {
                    QMetaObject::invokeMethod(
                        shared->context,
                        [client, reply = std::move(reply)] { client->Deliver(reply); },
                        Qt::QueuedConnection);
                } else {
                    qCDebug(lcCloud) << "request" << request.kind
                                     << "failed:" << curl_easy_strerror(CURLcode(result));
                    const CloudFailure failure{request.kind, request.tag,
                                               result == CURLE_OPERATION_TIMEDOUT};
                    QMetaObject::invokeMethod(
                        shared->context, [client, failure] { client->ReportFailure(failure); },
                        Qt::QueuedConnection);
                }
            }
        }
    } catch (...) {
        // Out of memory while collecting or posting the reply: the request is dropped like a
        // transport failure.
    }
    std::lock_guard lock(shared->mutex);
    --shared->running;
    shared->finished.push_back(std::this_thread::get_id());
    shared->changed.notify_all();
}

void CloudClient::Deliver(const CloudReply& reply) {
    if (onReply_) {
        onReply_(reply);
    }
}

void CloudClient::ReportFailure(const CloudFailure& failure) {
    if (onFailure_) {
        onFailure_(failure);
    }
}

void CloudClient::Reap() {
    std::vector<std::thread::id> finished;
    {
        std::lock_guard lock(shared_->mutex);
        finished.swap(shared_->finished);
    }
    for (const std::thread::id id : finished) {
        for (auto it = workers_.begin(); it != workers_.end(); ++it) {
            if (it->get_id() == id) {
                it->join();
                workers_.erase(it);
                break;
            }
        }
    }
}

int CloudClient::RunningWorkers() const {
    std::lock_guard lock(shared_->mutex);
    return shared_->running;
}

void CloudClient::Stop(std::chrono::milliseconds limit) {
    stopped_ = true;
    shared_->aborting = true;
    {
        std::unique_lock lock(shared_->mutex);
        shared_->delivering = false;
        shared_->changed.wait_for(lock, limit, [this] { return shared_->running == 0; });
    }
    Reap();
    if (!workers_.empty()) {
        // Still inside libcurl after the limit: its transfer ends at the latest at the
        // transfer's own time limit, and it delivers nothing any more.
        qCWarning(lcCloud) << "a network worker did not stop in time; waiting for it";
    }
    for (std::thread& worker : workers_) {
        worker.join();
    }
    workers_.clear();
}

} // namespace tamberlink
