#include "../store/StoreTestSupport.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <csignal>

namespace tamberlink {
namespace {

// The program with a home of its own, so its documents folder is a fresh one.
class ProgramRun {
public:
    ProgramRun() {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("HOME"), home_.path());
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"),
                           home_.filePath(QStringLiteral(".config")));
        // The single-instance socket lives in the temporary folder: one of its own, so a
        // Tamberlink running elsewhere on this machine is not the one this test talks to.
        environment.insert(QStringLiteral("TMPDIR"), home_.path());
        process_.setProcessEnvironment(environment);
    }
    ~ProgramRun() {
        if (process_.state() != QProcess::NotRunning) {
            process_.kill();
            process_.waitForFinished();
        }
    }

    QString Root() const { return home_.filePath(QStringLiteral("Documents/Tamberlink")); }
    void Start() {
        process_.start(QString::fromUtf8(TAMBERLINK_BIN_DIR "/tamberlink"), {});
        ASSERT_TRUE(process_.waitForStarted(30000));
    }
    // Waits, the event loop aside, until `done` holds.
    bool WaitFor(const std::function<bool()>& done) {
        for (int i = 0; i < 3000 && !done(); ++i) {
            process_.waitForReadyRead(10);
        }
        return done();
    }
    void Signal(int signalNumber) { ::kill(pid_t(process_.processId()), signalNumber); }
    bool Finish() { return process_.waitForFinished(30000); }

    QProcess process_;

private:
    QTemporaryDir home_;
};

TEST(Program, RunsUntilTerminatedThenClosesAndCleansUp) {
    ProgramRun run;
    run.Start();
    const QString database = run.Root() + QStringLiteral("/Data/Tamberlink.db");
    ASSERT_TRUE(run.WaitFor([&] { return QFile::exists(database); }));
    for (const char* name : {"cookie.txt", "vcode_login.gif"}) {
        QFile file(run.Root() + QChar(u'/') + QString::fromLatin1(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    run.Signal(SIGTERM);
    ASSERT_TRUE(run.Finish());
    EXPECT_EQ(run.process_.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(run.process_.exitCode(), 0);
    EXPECT_FALSE(QFile::exists(run.Root() + QStringLiteral("/cookie.txt")));
    EXPECT_FALSE(QFile::exists(run.Root() + QStringLiteral("/vcode_login.gif")));
    EXPECT_TRUE(QDir(run.Root()).exists(QStringLiteral("Rec")));
    EXPECT_EQ(test::RawDb(database).Rows("select value2 from table_setting where name='popoff'"),
              "1");
}

TEST(Program, AnUnopenableDatabaseIsReportedAndTheProgramRunsOn) {
    ProgramRun run;
    ASSERT_TRUE(QDir().mkpath(run.Root() + QStringLiteral("/Data/Tamberlink.db")));
    run.process_.setProcessChannelMode(QProcess::SeparateChannels);
    run.Start();
    QByteArray errors;
    ASSERT_TRUE(run.WaitFor([&] {
        errors += run.process_.readAllStandardError();
        return errors.contains("无法打开数据库: ");
    })) << errors.toStdString();
    EXPECT_EQ(run.process_.state(), QProcess::Running);
    run.Signal(SIGINT);
    ASSERT_TRUE(run.Finish());
    EXPECT_EQ(run.process_.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(run.process_.exitCode(), 0);
}

} // namespace
} // namespace tamberlink
