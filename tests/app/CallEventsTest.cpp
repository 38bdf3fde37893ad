// The call events of the local API with real clients, while the virtual box rings and
// records, and web pages in a real browser.
#include "CoreTestSupport.h"

#include "../device/BoxSim.h"
#include "../store/StoreTestSupport.h"
#include "app/AppCore.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace tamberlink {
namespace {

using test::BoxSim;
using test::BuiltDataFolder;
using test::RawDb;
using test::RecordingSink;
using test::WaitUntil;

// An event as a client printed it: "NAME|DATA".
struct SeenEvent {
    QString name;
    QJsonObject data;
};

std::vector<SeenEvent> Parse(const QString& lines) {
    std::vector<SeenEvent> events;
    for (const QString& line : lines.split(u'\n', Qt::SkipEmptyParts)) {
        const qsizetype bar = line.indexOf(u'|');
        if (bar > 0) {
            events.push_back(
                {line.left(bar), QJsonDocument::fromJson(line.mid(bar + 1).toUtf8()).object()});
        }
    }
    return events;
}

const SeenEvent* Find(const std::vector<SeenEvent>& events, const QString& name) {
    for (const SeenEvent& event : events) {
        if (event.name == name) {
            return &event;
        }
    }
    return nullptr;
}

class CallEventsTest : public ::testing::Test {
protected:
    void StartCoreWithBox() {
        ASSERT_TRUE(box_.Running());
        core_ = std::make_unique<AppCore>(test::TestConfig(docs_.path(), BuiltDataFolder()), sink_);
        ASSERT_TRUE(core_->Start());
        ASSERT_TRUE(core_->StartDeviceLink(QString::fromStdString(box_.PortPath())));
        ASSERT_TRUE(WaitUntil([&] { return core_->IsBoxConnected(); }));
    }
    QString ApiUrl(const QString& pathAndQuery) const {
        return QStringLiteral("http://127.0.0.1:%1%2").arg(core_->LocalApiPort()).arg(pathAndQuery);
    }
    std::string Rows(const std::string& sql) {
        return RawDb(docs_.filePath("Tamberlink/Data/Tamberlink.db")).Rows(sql);
    }
    // Runs a program to its end while the UI thread serves the core.
    bool RunToEnd(QProcess& process, int timeoutMs = 90000) {
        return WaitUntil([&] { return process.state() == QProcess::NotRunning; }, timeoutMs);
    }

    int argc_ = 1;
    char arg0_[8] = "test";
    char* argv_[1] = {arg0_};
    QCoreApplication app_{argc_, argv_};
    QTemporaryDir docs_;
    RecordingSink sink_;
    BoxSim box_;
    std::unique_ptr<AppCore> core_;
};

TEST_F(CallEventsTest, CurlAndPythonFollowARingingCallAndItsRecording) {
    StartCoreWithBox();
    // Python reads the stream line by line and prints each event, until the call ends.
    const char* script = R"(
import http.client, sys
c = http.client.HTTPConnection('127.0.0.1', int(sys.argv[1]), timeout=60)
c.request('GET', '/api/events')
r = c.getresponse()
print('ready', r.status, r.getheader('Content-Type'), flush=True)
name = None
for raw in r:
    line = raw.decode('utf-8').rstrip('\n')
    if line.startswith('event: '):
        name = line[7:]
    elif line.startswith('data: '):
        print(name + '|' + line[6:], flush=True)
        if name == 'ended':
            break
)";
    QProcess python;
    python.start("python3", {"-c", script, QString::number(core_->LocalApiPort())});
    QProcess curl;
    curl.start("curl", {"-N", "-s", "--noproxy", "*", "--max-time", "90", ApiUrl("/api/events")});
    QString pythonOut;
    ASSERT_TRUE(WaitUntil([&] {
        pythonOut += QString::fromUtf8(python.readAllStandardOutput());
        return pythonOut.contains(QStringLiteral("ready 200 text/event-stream;charset=utf-8"));
    }));
    QString curlOut;
    // The Python client is in; curl shows itself with the first event, so it is given time
    // through a device event of its own: the box's status echoed as a phone link change.
    ASSERT_EQ(box_.Command("phone off"), "ok");
    ASSERT_TRUE(WaitUntil([&] {
        curlOut += QString::fromUtf8(curl.readAllStandardOutput());
        return curlOut.contains(QStringLiteral("\"phoneLinked\":false"));
    }));

    ASSERT_EQ(box_.Command("ring 13800000000"), "ok");
    ASSERT_TRUE(WaitUntil([&] { return Rows("select count(*) from table_log") == "1"; }));
    QProcess start;
    start.start("curl", {"-s", "--noproxy", "*", "--max-time", "30",
                         ApiUrl("/api/record?cmd=control&value=start")});
    ASSERT_TRUE(RunToEnd(start));
    ASSERT_TRUE(WaitUntil([&] { return core_->Recorder().SamplesEncoded() > 16000; }));
    ASSERT_EQ(box_.Command("state 14"), "ok");
    ASSERT_TRUE(RunToEnd(python));
    pythonOut += QString::fromUtf8(python.readAllStandardOutput());
    ASSERT_TRUE(WaitUntil([&] {
        curlOut += QString::fromUtf8(curl.readAllStandardOutput());
        return curlOut.contains(QStringLiteral("event: ended"));
    }));
    curl.kill();
    curl.waitForFinished();

    const std::vector<SeenEvent> events = Parse(pythonOut);
    const SeenEvent* incoming = Find(events, QStringLiteral("incoming"));
    ASSERT_NE(incoming, nullptr) << pythonOut.toStdString();
    // The fields the call log holds for the call.
    EXPECT_EQ(Rows("select phone from table_log"), "13800000000");
    EXPECT_EQ(incoming->data["number"].toString(), QStringLiteral("13800000000"));
    EXPECT_EQ(incoming->data["name"].toString(), QStringLiteral("未知联系人"));
    EXPECT_EQ(incoming->data["attribution"].toString(),
              core_->GetAttribution(QStringLiteral("13800000000")));
    EXPECT_EQ(incoming->data["line"].toString(), QStringLiteral("landline"));
    EXPECT_TRUE(QDateTime::fromString(incoming->data["time"].toString(), Qt::ISODate).isValid());

    const SeenEvent* started = Find(events, QStringLiteral("recording-started"));
    const SeenEvent* finished = Find(events, QStringLiteral("recording-finished"));
    ASSERT_NE(started, nullptr);
    ASSERT_NE(finished, nullptr);
    ASSERT_NE(Find(events, QStringLiteral("ended")), nullptr);
    const QString guid = finished->data["guid"].toString();
    EXPECT_EQ(started->data["guid"].toString(), guid);
    ASSERT_TRUE(
        WaitUntil([&] { return Rows("select record_guid from table_log") == guid.toStdString(); }));
    const QString path = finished->data["path"].toString();
    EXPECT_EQ(path,
              docs_.filePath(QStringLiteral("Tamberlink/Rec/")) + guid + QStringLiteral(".mp3"));
    EXPECT_TRUE(QFile::exists(path));
    EXPECT_GE(finished->data["duration"].toDouble(), 0.5);

    // curl saw the same events under the same ids.
    for (const char* name : {"incoming", "recording-started", "ended", "recording-finished"}) {
        EXPECT_TRUE(curlOut.contains(QStringLiteral("event: ") + QLatin1String(name)))
            << name << "\n"
            << curlOut.toStdString();
    }
}

// Headless Chromium loads a page from a server on another port whose picture asks the API
// to dial: nothing is dialled while the page's origin is refused, and the call goes out once
// the user allows it.
TEST_F(CallEventsTest, ChromiumMakesTheBoxDialOnlyOnceThePageIsAllowed) {
    StartCoreWithBox();
    core_->SetAreaCode(QStringLiteral("020"));
    QTemporaryDir site;
    QFile page(site.filePath(QStringLiteral("page.html")));
    ASSERT_TRUE(page.open(QIODevice::WriteOnly));
    page.write(QStringLiteral("<!doctype html><title>CRM</title><img src=\"%1\">")
                   .arg(ApiUrl(QStringLiteral("/api/call?type=tel&number=88290291")))
                   .toUtf8());
    page.close();
    const char* serve = R"(
import functools, http.server, sys
handler = functools.partial(http.server.SimpleHTTPRequestHandler, directory=sys.argv[1])
server = http.server.ThreadingHTTPServer(('127.0.0.1', 0), handler)
print(server.server_address[1], flush=True)
server.serve_forever()
)";
    QProcess server;
    server.start("python3", {"-c", serve, site.path()});
    ASSERT_TRUE(WaitUntil([&] { return server.canReadLine(); }));
    const int sitePort = server.readLine().trimmed().toInt();
    ASSERT_GT(sitePort, 0);
    const QString origin = QStringLiteral("http://127.0.0.1:%1").arg(sitePort);

    const auto loadPage = [&] {
        QTemporaryDir profile;
        QProcess chromium;
        chromium.start("chromium", {"--headless", "--no-sandbox", "--disable-gpu", "--disable-quic",
                                    "--no-first-run", "--disable-background-networking",
                                    "--disable-component-update", "--disable-sync",
                                    "--disable-dev-shm-usage", "--user-data-dir=" + profile.path(),
                                    "--dump-dom", QStringLiteral("%1/page.html").arg(origin)});
        // The user refuses when asked.
        bool answered = false;
        EXPECT_TRUE(WaitUntil(
            [&] {
                if (!answered &&
                    sink_.Events().contains(
                        QStringLiteral("ask:%1:%2").arg(origin).arg(int(ApiPurpose::Dial)))) {
                    core_->Origins().Answer(origin, false);
                    answered = true;
                }
                return chromium.state() == QProcess::NotRunning;
            },
            120000));
        return chromium.readAllStandardOutput();
    };

    EXPECT_TRUE(loadPage().contains("CRM"));
    const std::vector<OriginRecord> answers = core_->Origins().Origins();
    ASSERT_EQ(answers.size(), 1u);
    EXPECT_EQ(answers[0].origin, origin);
    EXPECT_FALSE(answers[0].allowed);
    EXPECT_EQ(box_.Count("dial-landline 0 88290291"), 0);
    EXPECT_EQ(Rows("select count(*) from table_log"), "0");

    // The user allows the page in the settings; it is not asked about again.
    core_->Origins().SetAllowed({answers[0].id}, true);
    sink_.Clear();
    EXPECT_TRUE(loadPage().contains("CRM"));
    EXPECT_TRUE(box_.WaitForLine("dial-landline 0 88290291"))
        << sink_.Events().join(u'\n').toStdString();
    EXPECT_FALSE(sink_.Events().join(u' ').contains(QStringLiteral("ask:")));
    server.kill();
    server.waitForFinished();
}

} // namespace
} // namespace tamberlink
