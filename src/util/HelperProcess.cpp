#include "util/HelperProcess.h"

#include "util/InstallLayout.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QProcess>

namespace tamberlink {

namespace {

// How long a killed helper may take to be reaped.
constexpr int kReapMs = 5000;

int Remaining(const QDeadlineTimer& deadline) {
    return int(deadline.remainingTime());
}

void Stop(QProcess& process) {
    process.kill();
    process.waitForFinished(kReapMs);
}

} // namespace

QString HelperProcess::Find(const QString& name) {
    // /proc/self/exe rather than the application's path: tests and tools find the helpers
    // too, with or without a QCoreApplication.
    const QString program = QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget();
    if (program.isEmpty()) {
        return {};
    }
    const QString folder = QFileInfo(program).absolutePath();
    for (const QString& candidate :
         {folder + QLatin1Char('/') + name,
          QDir::cleanPath(folder + QStringLiteral("/" TAMBERLINK_LIBEXEC_FROM_BIN "/") + name)}) {
        const QFileInfo info(candidate);
        if (info.isFile() && info.isExecutable()) {
            return info.absoluteFilePath();
        }
    }
    return {};
}

HelperProcess::Result HelperProcess::Run(const QString& program, const QStringList& arguments,
                                         int timeoutMs, qint64 maxOutput) {
    Result result;
    const QDeadlineTimer deadline(timeoutMs);
    QProcess process;
    process.setProgram(program);
    process.setArguments(arguments);
    process.setStandardInputFile(QProcess::nullDevice());
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(QIODevice::ReadOnly);
    if (!process.waitForStarted(Remaining(deadline))) {
        result.detail = process.errorString();
        Stop(process);
        return result;
    }
    // Read as it comes, so that the size limit holds while the helper writes.
    const auto collect = [&] {
        result.output += process.readAllStandardOutput();
        return result.output.size() <= maxOutput;
    };
    while (process.state() == QProcess::Running) {
        if (deadline.hasExpired()) {
            Stop(process);
            result.outcome = Outcome::TimedOut;
            return result;
        }
        if (!process.waitForReadyRead(Remaining(deadline)) &&
            process.state() == QProcess::Running) {
            // Nothing more before the deadline, or the output closed while the helper runs on.
            process.waitForFinished(Remaining(deadline));
        }
        if (!collect()) {
            Stop(process);
            result.outcome = Outcome::TooMuchOutput;
            return result;
        }
    }
    if (!collect()) {
        result.outcome = Outcome::TooMuchOutput;
        return result;
    }
    result.exitCode = process.exitCode();
    if (process.exitStatus() == QProcess::CrashExit) {
        result.outcome = Outcome::Crashed;
    } else {
        result.outcome = result.exitCode == 0 ? Outcome::Finished : Outcome::Failed;
    }
    return result;
}

} // namespace tamberlink
