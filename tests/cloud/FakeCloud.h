#pragma once

#include <QProcess>
#include <QString>

#include <json/value.h>

#include <chrono>
#include <functional>
#include <string>

namespace tamberlink::test {

// The fake cloud service (fake_cloud.py) run on a free port of 127.0.0.1 for one test.
class FakeCloud {
public:
    FakeCloud() = default;
    ~FakeCloud();
    FakeCloud(const FakeCloud&) = delete;
    FakeCloud& operator=(const FakeCloud&) = delete;

    // Starts the service and waits for it to listen. False when it cannot run.
    bool Start(const QStringList& arguments = {});
    void Stop();

    std::string BaseUrl() const { return "http://127.0.0.1:" + std::to_string(port_) + "/"; }

    // POST /control/<what> with a JSON body; the parsed reply (null when it failed).
    Json::Value Control(const std::string& what, const Json::Value& body = Json::objectValue);
    Json::Value State() { return Control("state"); }

    void AddUser(const std::string& account, const std::string& password);
    // One rule as JSON text: {"path": ..., "cmd": ..., "action": ..., ...} (see fake_cloud.py).
    void AddRule(const std::string& rule);
    // A rule that answers the next request to `path` with `cmd` with `body`, as it is.
    void AddRawReply(const std::string& path, const std::string& cmd, const std::string& body);
    // The requests received so far for `path` (e.g. "api/user").
    Json::Value Requests(const std::string& path);

private:
    QProcess process_;
    int port_ = 0;
};

// The JSON value of a text; null when it is not JSON.
Json::Value ParseJson(const std::string& text);

// A QCoreApplication for the test program, made on first use.
void EnsureApplication();

// Runs the event loop until `done` holds or `limit` passes; returns `done()`.
bool WaitFor(const std::function<bool()>& done,
             std::chrono::milliseconds limit = std::chrono::seconds(30));

// Runs the event loop for `period` (to let replies that must not come show up).
void Settle(std::chrono::milliseconds period);

} // namespace tamberlink::test
