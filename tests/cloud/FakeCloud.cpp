#include "FakeCloud.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <curl/curl.h>
#include <json/reader.h>
#include <json/writer.h>

#include <memory>
#include <thread>

namespace tamberlink::test {

namespace {

std::size_t Append(char* data, std::size_t size, std::size_t count, void* out) {
    static_cast<std::string*>(out)->append(data, size * count);
    return size * count;
}

} // namespace

Json::Value ParseJson(const std::string& text) {
    Json::Value value;
    Json::CharReaderBuilder builder;
    const std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
    reader->parse(text.data(), text.data() + text.size(), &value, nullptr);
    return value;
}

FakeCloud::~FakeCloud() {
    Stop();
}

bool FakeCloud::Start(const QStringList& arguments) {
    process_.setProgram(QStringLiteral(TAMBERLINK_PYTHON));
    process_.setArguments(QStringList{QStringLiteral(FAKE_CLOUD_SCRIPT)} + arguments);
    process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process_.start();
    if (!process_.waitForStarted(20000)) {
        return false;
    }
    QElapsedTimer clock;
    clock.start();
    while (!process_.canReadLine() && clock.elapsed() < 30000) {
        if (!process_.waitForReadyRead(1000) && process_.state() != QProcess::Running) {
            return false;
        }
    }
    const QByteArray line = process_.readLine().trimmed();
    if (!line.startsWith("PORT ")) {
        return false;
    }
    port_ = line.mid(5).toInt();
    return port_ > 0;
}

void FakeCloud::Stop() {
    if (process_.state() != QProcess::NotRunning) {
        process_.terminate();
        if (!process_.waitForFinished(10000)) {
            process_.kill();
            process_.waitForFinished(10000);
        }
    }
}

Json::Value FakeCloud::Control(const std::string& what, const Json::Value& body) {
    Json::StreamWriterBuilder writer;
    const std::string text = Json::writeString(writer, body);
    const std::string url = BaseUrl() + "control/" + what;
    std::string reply;
    CURL* curl = curl_easy_init();
    if (curl == nullptr) {
        return {};
    }
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_POSTFIELDS, text.c_str());
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, Append);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &reply);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT, 30L);
    const CURLcode result = curl_easy_perform(curl);
    curl_easy_cleanup(curl);
    return result == CURLE_OK ? ParseJson(reply) : Json::Value();
}

void FakeCloud::AddUser(const std::string& account, const std::string& password) {
    Json::Value users;
    users[account] = password;
    Control("users", users);
}

void FakeCloud::AddRule(const std::string& rule) {
    Json::Value body;
    body["rules"].append(ParseJson(rule));
    Control("rules", body);
}

void FakeCloud::AddRawReply(const std::string& path, const std::string& cmd,
                            const std::string& body) {
    Json::Value rule;
    rule["path"] = path;
    rule["cmd"] = cmd;
    rule["action"] = "raw";
    rule["body"] = body;
    rule["times"] = 1;
    Json::Value rules;
    rules["rules"].append(rule);
    Control("rules", rules);
}

Json::Value FakeCloud::Requests(const std::string& path) {
    Json::Value matching(Json::arrayValue);
    const Json::Value state = State();
    for (const Json::Value& request : state["requests"]) {
        if (request["path"].asString() == path) {
            matching.append(request);
        }
    }
    return matching;
}

void EnsureApplication() {
    if (QCoreApplication::instance() == nullptr) {
        static int argc = 1;
        static char name[] = "test_cloud";
        static char* argv[] = {name, nullptr};
        new QCoreApplication(argc, argv);
    }
}

bool WaitFor(const std::function<bool()>& done, std::chrono::milliseconds limit) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > limit.count()) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

void Settle(std::chrono::milliseconds period) {
    WaitFor([] { return false; }, period);
}

} // namespace tamberlink::test
