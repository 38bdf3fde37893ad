#pragma once

#include "cloud/CloudRequest.h"

#include <QObject>
#include <QString>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace tamberlink {

// The base URL the program talks to unless told otherwise (a build setting).
extern const char* const kDefaultCloudBaseUrl;

// Talks HTTP to the cloud service. Each submitted request runs on a worker thread of its own
// with a fresh libcurl easy handle; its reply is handed to the reply handler on the thread that
// created the client. Workers share one cookie store, kept in the cookie file, so a cookie set
// by one reply goes with the requests after it.
class CloudClient {
public:
    using ReplyHandler = std::function<void(const CloudReply&)>;
    using FailureHandler = std::function<void(const CloudFailure&)>;
    using TipHandler = std::function<void(const QString&)>;

    // Largest reply body kept; a longer one aborts its transfer like a transport failure.
    static constexpr std::size_t kMaxReplyBytes = 16 * 1024 * 1024;

    // The cookie file "dialercookie.txt" is made in `cookieFolder` (and the folder with it),
    // readable by the user alone.
    CloudClient(std::string baseUrl, const QString& cookieFolder);
    ~CloudClient();
    CloudClient(const CloudClient&) = delete;
    CloudClient& operator=(const CloudClient&) = delete;

    const CloudRequestBuilder& Requests() const { return requests_; }
    // Requests built from now on go to `baseUrl`. Call on the creating thread.
    void SetBaseUrl(const std::string& baseUrl) { requests_ = CloudRequestBuilder(baseUrl); }
    const QString& CookieFile() const { return cookieFile_; }

    void SetVerbose(bool verbose);
    // "address:port"; empty for a direct connection. Requests submitted later use it.
    void SetProxy(const QString& proxy);

    // Handlers run on the creating thread. The reply handler gets every reply of a kind
    // between 1024 and 2047; the failure handler hears of every such request that got no
    // reply (each request ends with one of the two, within its time limit); the tip handler
    // shows a notice when no worker could be started.
    void SetReplyHandler(ReplyHandler handler) { onReply_ = std::move(handler); }
    void SetFailureHandler(FailureHandler handler) { onFailure_ = std::move(handler); }
    void SetTipHandler(TipHandler handler) { onTip_ = std::move(handler); }

    // Starts the request on a worker and returns at once.
    void Submit(const CloudRequest& request);
    // The same, after a GET of the request's URL whose reply is thrown away: the service
    // hands out a picture code per session, and this first fetch opens the session.
    void SubmitAfterPrefetch(const CloudRequest& request);

    // Synchronous transfers on the calling thread: they append the body to `reply` and return
    // libcurl's result code (0 on success, 2 when no handle could be made).
    int Get(const std::string& url, std::string& reply);
    int PostForm(const std::string& url, const std::string& body, std::string& reply);
    int PostJson(const std::string& url, const std::string& body, std::string& reply);

    // Aborts running transfers, stops delivering replies and joins the workers; a transfer
    // still running after `limit` is awaited up to its own time limit. Later submits do
    // nothing. The destructor calls it.
    void Stop(std::chrono::milliseconds limit = std::chrono::seconds(5));

    // Workers started and not yet finished.
    int RunningWorkers() const;

private:
    struct Shared;
    struct Options {
        std::string proxy;
        std::string cookieFile;
        bool verbose = false;
    };
    enum class Transfer { None, Get, Form, Json };

    static Transfer TransferFor(int kind);
    static int Perform(Transfer transfer, const std::string& url, const std::string& body,
                       const Options& options, std::string& reply, const Shared* shared);
    static void RunWorker(std::shared_ptr<Shared> shared, CloudRequest request, Options options,
                          bool prefetch);

    void Start(const CloudRequest& request, bool prefetch);
    void Reap();
    Options CurrentOptions() const;
    void Deliver(const CloudReply& reply);
    void ReportFailure(const CloudFailure& failure);

    CloudRequestBuilder requests_;
    QString cookieFile_;
    ReplyHandler onReply_;
    FailureHandler onFailure_;
    TipHandler onTip_;
    mutable std::mutex optionsMutex_;
    std::string proxy_;
    bool verbose_ = false;
    bool stopped_ = false;
    std::shared_ptr<Shared> shared_;
    std::vector<std::thread> workers_;
    QObject context_; // replies are posted to it, so they run on the creating thread
};

} // namespace tamberlink
