// The call events of the local API with real clients, while the virtual box rings and
// records, and web pages in a real browser.
#include "CoreTestSupport.h"

#include "../device/BoxSim.h"
#include "../store/StoreTestSupport.h"
#include "app/AppCore.h"
#include "app/DeviceBridge.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLoggingCategory>
#include <QProcess>
#include <QTemporaryDir>
#include <QUrl>

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

// A site on another loopback port, as a web page's server: it serves the files put in its
// folder, "/redirect?to=URL" answers 302 to URL, and "/hold" answers once Release is called,
// which keeps a page that loads it open until then.
class Site {
public:
    Site() {
        const char* serve = R"(
import functools, http.server, os, sys, time, urllib.parse
class Handler(http.server.SimpleHTTPRequestHandler):
    def do_GET(self):
        url = urllib.parse.urlparse(self.path)
        if url.path == '/hold':
            for _ in range(1200):
                if os.path.exists(os.path.join(sys.argv[1], 'released')):
                    break
                time.sleep(0.05)
            self.send_error(404)
        elif url.path == '/redirect':
            self.send_response(302)
            self.send_header('Location', urllib.parse.parse_qs(url.query)['to'][0])
            self.end_headers()
        else:
            super().do_GET()
    def log_message(self, *args):
        pass
handler = functools.partial(Handler, directory=sys.argv[1])
server = http.server.ThreadingHTTPServer(('127.0.0.1', 0), handler)
print(server.server_address[1], flush=True)
server.serve_forever()
)";
        server_.start("python3", {"-c", serve, folder_.path()});
        if (WaitUntil([&] { return server_.canReadLine(); })) {
            origin_ =
                QStringLiteral("http://127.0.0.1:%1").arg(server_.readLine().trimmed().toInt());
        }
    }
    ~Site() {
        server_.kill();
        server_.waitForFinished();
    }
    const QString& Origin() const { return origin_; }
    void Release() { Put(QStringLiteral("released"), QString()); }
    void Put(const QString& name, const QString& html) {
        QFile page(folder_.filePath(name));
        EXPECT_TRUE(page.open(QIODevice::WriteOnly));
        page.write(html.toUtf8());
    }

private:
    QTemporaryDir folder_;
    QProcess server_;
    QString origin_;
};

// Opens `url` in headless Chromium, as a link opened from another program is, and waits for
// it to end while the UI thread serves the core; `tick` runs meanwhile. Its DOM dump.
QByteArray OpenInChromium(const QString& url, const std::function<void()>& tick = {}) {
    QTemporaryDir profile;
    QProcess chromium;
    chromium.start("chromium",
                   {"--headless", "--no-sandbox", "--disable-gpu", "--disable-quic",
                    "--no-first-run", "--disable-background-networking",
                    "--disable-component-update", "--disable-sync", "--disable-dev-shm-usage",
                    "--user-data-dir=" + profile.path(), "--dump-dom", url});
    EXPECT_TRUE(WaitUntil(
        [&] {
            if (tick) {
                tick();
            }
            return chromium.state() == QProcess::NotRunning;
        },
        120000));
    return chromium.readAllStandardOutput();
}

// The local API's log lines, while a test runs.
class ApiLog {
public:
    ApiLog() {
        QLoggingCategory::setFilterRules(QStringLiteral("tamberlink.api.debug=true"));
        lines_ = new QStringList;
        previous_ = qInstallMessageHandler(Keep);
    }
    ~ApiLog() {
        qInstallMessageHandler(previous_);
        QLoggingCategory::setFilterRules(QString());
    }
    std::string Text() const {
        std::lock_guard lock(mutex_);
        return lines_->join(u'\n').toStdString();
    }
    int Count(const QString& part) const {
        std::lock_guard lock(mutex_);
        return int(std::count_if(lines_->begin(), lines_->end(),
                                 [&](const QString& line) { return line.contains(part); }));
    }

private:
    static void Keep(QtMsgType, const QMessageLogContext& context, const QString& text) {
        if (QLatin1String(context.category) == QLatin1String("tamberlink.api")) {
            std::lock_guard lock(mutex_);
            lines_->append(text);
        }
    }
    static inline std::mutex mutex_;
    static inline QStringList* lines_ = nullptr;
    QtMessageHandler previous_ = nullptr;
};

// A page that follows the calls and whose picture asks the API to dial: the user is asked
// about each purpose on its own, one question at a time; a page allowed to follow the calls
// still dials nothing until dialling is allowed too.
TEST_F(CallEventsTest, ChromiumIsAskedForEachPurposeAndDialsOnlyOnceDiallingIsAllowed) {
    StartCoreWithBox();
    core_->SetAreaCode(QStringLiteral("020"));
    Site site;
    ASSERT_FALSE(site.Origin().isEmpty());
    site.Put(QStringLiteral("page.html"),
             QStringLiteral("<!doctype html><title>CRM</title><script>new EventSource(\"%1\");"
                            "</script><img src=\"%2\">")
                 .arg(ApiUrl(QStringLiteral("/api/events")),
                      ApiUrl(QStringLiteral("/api/call?type=tel&number=88290291"))));
    const QString origin = site.Origin();
    const QString page = origin + QStringLiteral("/page.html");

    // The user lets the page follow the calls and refuses it dialling, as each is asked.
    std::size_t shownAtOnce = 0;
    const auto answer = [&] {
        shownAtOnce = std::max(shownAtOnce, sink_.OpenQuestions());
        if (const std::uint64_t follow = sink_.TakeQuestion(origin, ApiPurpose::FollowCalls)) {
            core_->Origins().Answer(follow, true);
        } else if (const std::uint64_t dial = sink_.TakeQuestion(origin, ApiPurpose::Dial)) {
            core_->Origins().Answer(dial, false);
        }
    };
    EXPECT_TRUE(OpenInChromium(page, answer).contains("CRM"));
    EXPECT_EQ(shownAtOnce, 1u);
    std::vector<OriginRecord> answers = core_->Origins().Origins();
    ASSERT_EQ(answers.size(), 1u);
    EXPECT_EQ(answers[0].origin, origin);
    EXPECT_EQ(answers[0].answers[OriginRecord::kDial], false);
    EXPECT_EQ(answers[0].answers[OriginRecord::kEvents], true);
    EXPECT_FALSE(answers[0].answers[OriginRecord::kSms].has_value());
    EXPECT_EQ(box_.Count("dial-landline 0 88290291"), 0);
    EXPECT_EQ(Rows("select count(*) from table_log"), "0");

    // Loaded again, nothing is asked: dialling stays refused.
    sink_.Clear();
    EXPECT_TRUE(OpenInChromium(page).contains("CRM"));
    EXPECT_FALSE(sink_.Events().join(u' ').contains(QStringLiteral("ask:")));
    EXPECT_EQ(box_.Count("dial-landline 0 88290291"), 0);

    // The user allows dialling in the settings; the page dials without a question.
    core_->Origins().SetAllowed(answers[0].id, ApiPurpose::Dial, true);
    EXPECT_TRUE(OpenInChromium(page).contains("CRM"));
    EXPECT_TRUE(box_.WaitForLine("dial-landline 0 88290291"))
        << sink_.Events().join(u'\n').toStdString();
    EXPECT_FALSE(sink_.Events().join(u' ').contains(QStringLiteral("ask:")));
}

// Speculation rules make Chromium prefetch and prerender the API's addresses as if the user
// had typed them; a link opened from another program may redirect to the API. None of them
// dials, texts or changes the recording; the redirected dial waits in the quick dial for the
// user.
TEST_F(CallEventsTest, SpeculationRulesAndARedirectedLinkMakeTheBoxDoNothing) {
    StartCoreWithBox();
    core_->SetAreaCode(QStringLiteral("020"));
    core_->SetAuto(true, true);
    ApiLog log;
    Site site;
    ASSERT_FALSE(site.Origin().isEmpty());
    const QString localhost = QStringLiteral("http://localhost:%1").arg(core_->LocalApiPort());
    // The picture holds the page open while Chromium speculates.
    site.Put(
        QStringLiteral("rules.html"),
        QStringLiteral(
            R"(<!doctype html><title>Offer</title><img src="/hold"><script type="speculationrules">
{"prefetch": [{"source": "list", "urls": ["%1", "%2"]},
              {"source": "list", "referrer_policy": "no-referrer", "urls": ["%3", "%5"]}],
 "prerender": [{"source": "list", "urls": ["%4"]}]}
</script>)")
            .arg(ApiUrl(QStringLiteral("/api/call?type=tel&number=55506001")),
                 localhost + QStringLiteral("/api/call?type=mobile&number=13955506002"),
                 ApiUrl(QStringLiteral("/api/record?cmd=mode&value=hand")),
                 ApiUrl(QStringLiteral("/api/call?type=tel&number=55506003")),
                 ApiUrl(QStringLiteral("/api/sms?data={%22size%22:1,%22list%22:[{%22number%22:"
                                       "%2213955506005%22}],%22content%22:%22hi%22}"))));
    // Every speculative request reaches the API and is refused.
    const QByteArray page = OpenInChromium(site.Origin() + QStringLiteral("/rules.html"), [&] {
        if (log.Count(QStringLiteral("prefetch of /api/call refused")) >= 3 &&
            log.Count(QStringLiteral("prefetch of /api/record refused")) >= 1 &&
            log.Count(QStringLiteral("prefetch of /api/sms refused")) >= 1) {
            site.Release();
        }
    });
    EXPECT_TRUE(page.contains("Offer"));
    EXPECT_EQ(log.Count(QStringLiteral("prefetch of /api/call refused")), 3) << log.Text();
    EXPECT_EQ(log.Count(QStringLiteral("prefetch of /api/record refused")), 1) << log.Text();
    EXPECT_EQ(log.Count(QStringLiteral("prefetch of /api/sms refused")), 1) << log.Text();

    const QString redirect = ApiUrl(QStringLiteral("/api/call?type=tel&number=55506004"));
    OpenInChromium(site.Origin() + QStringLiteral("/redirect?to=") +
                   QString::fromLatin1(QUrl::toPercentEncoding(redirect)));
    ASSERT_TRUE(WaitUntil([&] { return sink_.Events().contains("offer-dial:55506004"); }));

    for (const char* line : {"dial-landline", "dial-phone", "sms", "auto-record off", "record-"}) {
        EXPECT_TRUE(box_.LinesStartingWith(line).empty()) << line;
    }
    EXPECT_EQ(core_->Settings().AutoAdmin(), 1);
    EXPECT_EQ(Rows("select count(*) from table_log"), "0");
    EXPECT_FALSE(sink_.Events().join(u' ').contains(QStringLiteral("ask:")));

    // The user dials from the quick dial: now the box dials.
    core_->Device().Calls().Dial(QStringLiteral("55506004"), false);
    EXPECT_TRUE(box_.WaitForLine("dial-landline 0 55506004"));
}

} // namespace
} // namespace tamberlink
