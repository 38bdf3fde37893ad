// Prints how long the desktop program takes from being started to its first painted main
// window, and its peak resident memory once started; next to it, the same for a minimal Qt
// window built from a form loaded at run time (QUiLoader), as the windows were built before
// their forms were compiled.
//
// Each figure is measured in a fresh process (this program started again with --child), from
// just before the process is spawned until the window's first paint has been flushed, so
// loading the libraries counts. The first start also makes the data folder and copies the
// seed database; the later starts are the usual case.
//
// usage: bench_ui_startup [RUNS]   (QT_QPA_PLATFORM=offscreen unless a display is set)

#include "../BenchTiming.h"
#include "ui/shell/CMainWndUI.h"
#include "ui/widgets/CButtonUI.h"
#include "ui/widgets/SkinStyle.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <QUiLoader>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <memory>
#include <vector>

using namespace tamberlink;
using tamberlink::bench::MonotonicNs;
using tamberlink::bench::PeakResidentKiB;

namespace {

// Reports the moment of the first paint once it has been flushed, then after a second of
// running the peak memory, and ends the event loop.
class FirstPaint : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && !seen_) {
            seen_ = true;
            QTimer::singleShot(0, [] {
                std::printf("painted %lld\n", static_cast<long long>(MonotonicNs()));
                QTimer::singleShot(1000, [] {
                    std::printf("peak %ld\n", PeakResidentKiB());
                    std::fflush(stdout);
                    QCoreApplication::exit(0);
                });
            });
        }
        return QObject::eventFilter(watched, event);
    }

private:
    bool seen_ = false;
};

// Builds the skin's buttons as the program does; Qt's own widgets are the loader's.
class SkinUiLoader : public QUiLoader {
public:
    QWidget* createWidget(const QString& className, QWidget* parent, const QString& name) override {
        if (className == QLatin1String("tamberlink::CButtonUI")) {
            auto* button = new CButtonUI(parent);
            button->setObjectName(name);
            return button;
        }
        return QUiLoader::createWidget(className, parent, name);
    }
};

int RunChild(int argc, char** argv, bool baseline, const QString& documents) {
    QApplication app(argc, argv);
    ApplySkinStyle(app);
    FirstPaint watcher;
    if (baseline) {
        QWidget window;
        QFile file(QStringLiteral(TAMBERLINK_SOURCE_DIR "/Res/dlg_setting.ui"));
        SkinUiLoader loader;
        QWidget* form = file.open(QIODevice::ReadOnly) ? loader.load(&file, &window) : nullptr;
        if (form == nullptr) {
            return 1;
        }
        window.resize(form->size());
        window.installEventFilter(&watcher);
        window.show();
        return QApplication::exec();
    }
    AppConfig config;
    config.documentsFolder = documents;
    AppCore core(config);
    CMainWndUI window(core);
    window.installEventFilter(&watcher);
    window.Start();
    QApplication::exec();
    return 0;
}

struct Sample {
    double ms = -1;
    double peakMiB = -1;
};

Sample RunOnce(const QString& self, bool baseline, const QString& documents) {
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    const std::int64_t started = MonotonicNs();
    child.start(self, {QStringLiteral("--child"),
                       baseline ? QStringLiteral("baseline") : QStringLiteral("main"), documents});
    Sample sample;
    if (!child.waitForFinished(120000) || child.exitCode() != 0) {
        return sample;
    }
    for (const QByteArray& line : child.readAllStandardOutput().split('\n')) {
        if (line.startsWith("painted ")) {
            sample.ms = double(line.mid(8).toLongLong() - started) / 1e6;
        } else if (line.startsWith("peak ")) {
            sample.peakMiB = line.mid(5).toDouble() / 1024.0;
        }
    }
    return sample;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? -1 : values[values.size() / 2];
}

void Report(const char* what, const std::vector<Sample>& samples) {
    std::vector<double> times;
    std::vector<double> peaks;
    for (const Sample& s : samples) {
        times.push_back(s.ms);
        peaks.push_back(s.peakMiB);
    }
    std::printf("%-44s median %7.1f ms  (min %.1f, max %.1f)   peak resident %.1f MiB\n", what,
                Median(times), *std::min_element(times.begin(), times.end()),
                *std::max_element(times.begin(), times.end()), Median(peaks));
}

} // namespace

int main(int argc, char** argv) {
    if (argc >= 2 && QByteArray(argv[1]) == "--child") {
        if (argc != 4) {
            return 2;
        }
        const bool baseline = QByteArray(argv[2]) == "baseline";
        return RunChild(1, argv, baseline, QString::fromLocal8Bit(argv[3]));
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;
    QCoreApplication app(argc, argv);
    const QString self = QCoreApplication::applicationFilePath();
    QTemporaryDir documents;

    std::printf("start-up to the first painted window, %d runs each (platform: %s)\n", runs,
                qgetenv("QT_QPA_PLATFORM").isEmpty() ? "default"
                                                     : qgetenv("QT_QPA_PLATFORM").constData());
    const Sample first = RunOnce(self, false, documents.path());
    if (first.ms < 0) {
        std::fprintf(stderr, "the main window did not start\n");
        return 1;
    }
    std::printf("%-44s %7.1f ms   peak resident %.1f MiB\n",
                "main window, first start (makes the data)", first.ms, first.peakMiB);
    std::vector<Sample> main;
    std::vector<Sample> baseline;
    for (int i = 0; i < runs; ++i) {
        main.push_back(RunOnce(self, false, documents.path()));
        baseline.push_back(RunOnce(self, true, documents.path()));
    }
    Report("main window (target < 250 ms, < 120 MiB)", main);
    Report("minimal window with a run-time form", baseline);
    return 0;
}
