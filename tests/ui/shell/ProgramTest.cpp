// The program itself: one process per user, the exit sequence on SIGTERM, its options, and
// numbers handed to it.
#include "../../carddav/DavPeers.h"
#include "store/AttributionDatabase.h"
#include "store/LocalDatabase.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <functional>
#include <memory>
#include <pwd.h>
#include <unistd.h>

namespace {

const QString kProgram = QStringLiteral(TAMBERLINK_BIN_DIR "/tamberlink");

// Environment of a user of our own: a fresh home (so a fresh documents folder) and a
// temporary folder of its own, where the single-instance socket lives.
QProcessEnvironment UserEnvironment(const QTemporaryDir& home) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), home.path());
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral(".config")));
    environment.insert(QStringLiteral("TMPDIR"), home.path());
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("QT_LOGGING_RULES"),
                       QStringLiteral("tamberlink.ui.debug=true"));
    return environment;
}

bool WaitFor(QProcess& process, const std::function<bool()>& done, int timeoutMs = 60000) {
    for (int waited = 0; waited < timeoutMs && !done(); waited += 10) {
        process.waitForReadyRead(10);
    }
    return done();
}

class Program {
public:
    explicit Program(const QTemporaryDir& home) {
        process_.setProcessEnvironment(UserEnvironment(home));
        process_.setProcessChannelMode(QProcess::SeparateChannels);
    }
    ~Program() {
        if (process_.state() != QProcess::NotRunning) {
            process_.kill();
            process_.waitForFinished();
        }
    }
    QProcess process_;
    QByteArray errors_;

    const QByteArray& Errors() {
        errors_ += process_.readAllStandardError();
        return errors_;
    }
    bool Said(const char* text) { return Errors().contains(text); }
};

} // namespace

TEST(DesktopProgram, ASecondStartShowsTheFirstWindowAndExits) {
    QTemporaryDir home;
    const QString root = home.filePath(QStringLiteral("Documents/Tamberlink"));
    Program first(home);
    first.process_.start(kProgram, {});
    ASSERT_TRUE(first.process_.waitForStarted(30000));
    ASSERT_TRUE(WaitFor(first.process_, [&] {
        return QFile::exists(root + QStringLiteral("/Data/Tamberlink.db"));
    }));
    QFile cookie(root + QStringLiteral("/cookie.txt"));
    ASSERT_TRUE(cookie.open(QIODevice::WriteOnly));
    cookie.close();

    Program second(home);
    second.process_.start(kProgram, {});
    ASSERT_TRUE(second.process_.waitForFinished(60000));
    EXPECT_EQ(second.process_.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.process_.exitCode(), 0);
    EXPECT_TRUE(WaitFor(first.process_, [&] { return first.Said("showing the main window"); }))
        << first.errors_.toStdString();
    EXPECT_EQ(first.process_.state(), QProcess::Running);

    // SIGTERM runs the exit sequence (the temporary files go) and ends with 0; a start
    // afterwards is a first start again.
    ::kill(pid_t(first.process_.processId()), SIGTERM);
    ASSERT_TRUE(first.process_.waitForFinished(60000));
    EXPECT_EQ(first.process_.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(first.process_.exitCode(), 0);
    EXPECT_FALSE(QFile::exists(cookie.fileName()));

    Program third(home);
    third.process_.start(kProgram, {});
    ASSERT_TRUE(third.process_.waitForStarted(30000));
    EXPECT_FALSE(third.process_.waitForFinished(1500));
    EXPECT_EQ(third.process_.state(), QProcess::Running);
    ::kill(pid_t(third.process_.processId()), SIGINT);
    ASSERT_TRUE(third.process_.waitForFinished(60000));
    EXPECT_EQ(third.process_.exitCode(), 0);
}

TEST(DesktopProgram, AnswersHelpAndVersionWithoutADisplay) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        environment.remove(QString::fromLatin1(name));
    }
    auto run = [&](const QStringList& arguments) {
        auto process = std::make_unique<QProcess>();
        process->setProcessEnvironment(environment);
        process->start(kProgram, arguments);
        EXPECT_TRUE(process->waitForFinished(60000));
        return process;
    };
    auto version = run({QStringLiteral("--version")});
    EXPECT_EQ(version->exitCode(), 0);
    EXPECT_EQ(version->readAllStandardOutput(), QByteArray("Tamberlink 1.0.5\n"));

    auto help = run({QStringLiteral("--help")});
    EXPECT_EQ(help->exitCode(), 0);
    const QByteArray text = help->readAllStandardOutput();
    for (const char* said :
         {"--serial-port <path>", "--verbose", "--autostart", "[number]", "tel:"}) {
        EXPECT_TRUE(text.contains(said)) << said << "\n" << text.toStdString();
    }

    // A mistake is reported once the toolkit has taken its own options, on a display.
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    auto wrong = run({QStringLiteral("--no-such-option")});
    EXPECT_EQ(wrong->exitCode(), 1);
    EXPECT_TRUE(wrong->readAllStandardError().contains("no-such-option"));
}

TEST(DesktopProgram, ALinkOffersItsNumberAfterStartUpAndLaterStartsHandTheirsOver) {
    QTemporaryDir home;
    Program first(home);
    // --verbose alone turns on the program's debug messages.
    QProcessEnvironment environment = UserEnvironment(home);
    environment.remove(QStringLiteral("QT_LOGGING_RULES"));
    first.process_.setProcessEnvironment(environment);
    first.process_.start(kProgram,
                         {QStringLiteral("--verbose"), QStringLiteral("tel:+86-138-0000-0000")});
    ASSERT_TRUE(first.process_.waitForStarted(30000));
    ASSERT_TRUE(WaitFor(first.process_, [&] {
        return first.Said("quick dial offers \"13800000000\"");
    })) << first.errors_.toStdString();
    EXPECT_TRUE(first.Said("tamberlink.app debug: first start"));

    Program second(home);
    second.process_.start(kProgram, {QStringLiteral("callto://010-8829-0291")});
    ASSERT_TRUE(second.process_.waitForFinished(60000));
    EXPECT_EQ(second.process_.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.process_.exitCode(), 0);
    EXPECT_TRUE(WaitFor(first.process_, [&] {
        return first.Said("quick dial offers \"01088290291\"");
    })) << first.errors_.toStdString();

    ::kill(pid_t(first.process_.processId()), SIGTERM);
    ASSERT_TRUE(first.process_.waitForFinished(60000));
    EXPECT_EQ(first.process_.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(first.process_.exitCode(), 0);
}

// A port of group dialout as its owner sees it when not in the group: run as another user
// when this is root (who may open anything), else a port without any permission.
TEST(DesktopProgram, APortThatCannotBeOpenedForLackOfPermissionIsExplainedOnce) {
    QTemporaryDir home;
    const QString port = home.filePath(QStringLiteral("ttyUSB0"));
    QFile file(port);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    QString program = kProgram;
    QStringList arguments{QStringLiteral("--serial-port"), port};
    if (::geteuid() == 0) {
        const passwd* nobody = ::getpwnam("nobody");
        ASSERT_NE(nobody, nullptr);
        ASSERT_EQ(
            ::chown(QFile::encodeName(home.path()).constData(), nobody->pw_uid, nobody->pw_gid), 0);
        ASSERT_TRUE(file.setPermissions(QFile::ReadOwner | QFile::WriteOwner));
        arguments.prepend(program);
        arguments = QStringList{QStringLiteral("--reuid=%1").arg(nobody->pw_uid),
                                QStringLiteral("--regid=%1").arg(nobody->pw_gid),
                                QStringLiteral("--clear-groups")} +
                    arguments;
        program = QStringLiteral("setpriv");
    } else {
        ASSERT_TRUE(file.setPermissions({}));
    }
    Program run(home);
    QProcessEnvironment environment = UserEnvironment(home);
    environment.insert(QStringLiteral("QT_LOGGING_RULES"),
                       QStringLiteral("tamberlink.ui.debug=true\ntamberlink.serial.debug=true"));
    environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8")); // strerror's words
    run.process_.setProcessEnvironment(environment);
    run.process_.start(program, arguments);
    ASSERT_TRUE(run.process_.waitForStarted(30000));

    const QByteArray notice = "notice: 没有权限打开串口 " + QFile::encodeName(port);
    ASSERT_TRUE(WaitFor(run.process_, [&] { return run.Said(notice.constData()); }))
        << run.errors_.toStdString();
    EXPECT_TRUE(run.Said("sudo usermod -aG dialout "));
    // Several more searches find the port as closed to this user; nothing more is said.
    const QByteArray denied = "cannot open " + QFile::encodeName(port) + ": Permission denied";
    ASSERT_TRUE(WaitFor(run.process_, [&] { return run.Errors().count(denied) >= 4; }))
        << run.errors_.toStdString();
    EXPECT_EQ(run.errors_.count(notice), 1);

    ::kill(pid_t(run.process_.processId()), SIGTERM);
    ASSERT_TRUE(run.process_.waitForFinished(60000));
    EXPECT_EQ(run.process_.exitCode(), 0);
}

TEST(DesktopProgram, ContactFilesGoInAndOutFromTheCommandLineWithOrWithoutTheWindow) {
    QTemporaryDir home;
    const QString cards = home.filePath(QStringLiteral("phone.vcf"));
    QFile file(cards);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("BEGIN:VCARD\r\nVERSION:3.0\r\nFN:陈静\r\nTEL:13798765432\r\nTEL:020-88290291\r\n"
               "END:VCARD\r\nBEGIN:VCARD\r\nVERSION:3.0\r\nFN:王芳\r\nTEL:13912345678\r\n"
               "END:VCARD\r\n");
    file.close();
    const auto run = [&](const QStringList& arguments) {
        Program command(home);
        command.process_.start(kProgram, arguments);
        EXPECT_TRUE(command.process_.waitForFinished(120000));
        return std::pair{command.process_.exitCode(),
                         command.process_.readAllStandardOutput() + command.Errors()};
    };

    // Nothing runs: the command opens the contacts itself.
    auto [code, said] = run({QStringLiteral("--import-contacts"), cards});
    EXPECT_EQ(code, 0) << said.toStdString();
    EXPECT_TRUE(said.contains("imported 3 contacts")) << said.toStdString();

    // The window runs: a later start hands the command over and prints its answer.
    Program first(home);
    first.process_.start(kProgram, {});
    // It takes requests once its single-instance socket is there.
    const QString socket = home.filePath(QStringLiteral("SinglePro-") +
                                         QString::fromLocal8Bit(getpwuid(getuid())->pw_name));
    ASSERT_TRUE(WaitFor(first.process_, [&] { return QFile::exists(socket); }))
        << first.Errors().toStdString();
    const QString out = home.filePath(QStringLiteral("out.csv"));
    std::tie(code, said) = run({QStringLiteral("--export-contacts"), out});
    EXPECT_EQ(code, 0) << said.toStdString();
    EXPECT_TRUE(said.contains("exported 2 cards")) << said.toStdString();
    EXPECT_TRUE(WaitFor(first.process_, [&] { return first.Said("hands over a contact file"); }));
    QFile written(out);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_TRUE(written.readAll().contains("陈静,13798765432 ::: 02088290291"));
    std::tie(code, said) = run({QStringLiteral("--import-contacts"), home.filePath("none.vcf")});
    EXPECT_EQ(code, 1);
    EXPECT_TRUE(said.contains("cannot import")) << said.toStdString();
    EXPECT_EQ(first.process_.state(), QProcess::Running);
}

TEST(DesktopProgram, ContactsSyncFromTheCommandLineWithOrWithoutTheWindow) {
    tamberlink::test::Radicale server;
    ASSERT_TRUE(server.Start());
    bool ok = false;
    server.Peer({QStringLiteral("put"), QStringLiteral("guan.vcf")},
                "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:guan\r\nFN:关羽\r\nTEL:13800000011\r\n"
                "END:VCARD\r\n",
                &ok);
    ASSERT_TRUE(ok);
    QTemporaryDir home;
    // The password comes on standard input, as a script gives it.
    const auto run = [&](const QByteArray& password) {
        Program command(home);
        command.process_.start(kProgram, {QStringLiteral("--sync-contacts")});
        command.process_.write(password + '\n');
        command.process_.closeWriteChannel();
        EXPECT_TRUE(command.process_.waitForFinished(120000));
        return std::pair{command.process_.exitCode(),
                         command.process_.readAllStandardOutput() + command.Errors()};
    };

    // No account yet.
    auto [code, said] = run("nothing");
    EXPECT_EQ(code, 1);
    EXPECT_TRUE(said.contains("cannot sync the contacts")) << said.toStdString();
    {
        tamberlink::LocalDatabase database;
        ASSERT_TRUE(database.Open(
            home.filePath(QStringLiteral("Documents/Tamberlink/Data/Tamberlink.db"))));
        ASSERT_TRUE(database.AddressBook().WriteAccount(
            server.Root(), QString::fromLatin1(tamberlink::test::Radicale::kUser), server.Book()));
        database.Close();
    }
    std::tie(code, said) = run("wrong");
    EXPECT_EQ(code, 1);
    EXPECT_TRUE(said.contains("HTTP 401")) << said.toStdString();
    std::tie(code, said) = run(tamberlink::test::Radicale::kPassword);
    EXPECT_EQ(code, 0) << said.toStdString();
    EXPECT_TRUE(said.contains("synced the contacts: 1 cards received")) << said.toStdString();

    // The window runs: it does the sync and prints nothing of the password.
    Program first(home);
    first.process_.start(kProgram, {});
    const QString socket = home.filePath(QStringLiteral("SinglePro-") +
                                         QString::fromLocal8Bit(getpwuid(getuid())->pw_name));
    ASSERT_TRUE(WaitFor(first.process_, [&] { return QFile::exists(socket); }))
        << first.Errors().toStdString();
    server.Peer({QStringLiteral("edit"), QStringLiteral("guan.vcf"), QStringLiteral("fn=关云长")},
                {}, &ok);
    std::tie(code, said) = run(tamberlink::test::Radicale::kPassword);
    EXPECT_EQ(code, 0) << said.toStdString();
    EXPECT_TRUE(said.contains("synced the contacts: 1 cards received")) << said.toStdString();
    EXPECT_TRUE(
        WaitFor(first.process_, [&] { return first.Said("asks for a sync of the contacts"); }));
    EXPECT_FALSE(
        first.Errors().contains(QByteArray(tamberlink::test::Radicale::kPassword).toBase64()));
    EXPECT_EQ(first.process_.state(), QProcess::Running);
}

// A sync killed at one moment after another, each run going further, then one left to finish:
// every card ends up once on each side, whatever the kill broke off.
TEST(DesktopProgram, AContactsSyncKilledMidwayFinishesLaterWithNothingTwice) {
    constexpr int kServerCards = 1000;
    constexpr int kLocalContacts = 200;
    tamberlink::test::Radicale server;
    for (int i = 0; i < kServerCards; ++i) {
        QFile card(QDir(server.BookFolder()).filePath(QStringLiteral("card%1.vcf").arg(i)));
        ASSERT_TRUE(card.open(QIODevice::WriteOnly));
        card.write(QStringLiteral("BEGIN:VCARD\r\nVERSION:3.0\r\nUID:card%1\r\nFN:客户%1\r\n"
                                  "TEL:139%2\r\nEND:VCARD\r\n")
                       .arg(i)
                       .arg(i, 8, 10, QLatin1Char('0'))
                       .toUtf8());
    }
    ASSERT_TRUE(server.Start());
    QTemporaryDir home;
    const auto start = [&](Program& command) {
        command.process_.start(kProgram, {QStringLiteral("--sync-contacts")});
        command.process_.write(QByteArray(tamberlink::test::Radicale::kPassword) + '\n');
        command.process_.closeWriteChannel();
    };
    Program first(home); // makes the user's database; with no account it syncs nothing
    start(first);
    ASSERT_TRUE(first.process_.waitForFinished(60000));
    const QString path = home.filePath(QStringLiteral("Documents/Tamberlink/Data/Tamberlink.db"));
    {
        tamberlink::LocalDatabase database;
        ASSERT_TRUE(database.Open(path));
        const tamberlink::AttributionDatabase attribution;
        for (int i = 0; i < kLocalContacts; ++i) {
            ASSERT_TRUE(database.Contacts().Add(
                tamberlink::ContactRecord(QStringLiteral("本地%1").arg(i),
                                          QStringLiteral("137%1").arg(i, 8, 10, QLatin1Char('0')),
                                          QString()),
                attribution));
        }
        ASSERT_TRUE(database.AddressBook().WriteAccount(
            server.Root(), QString::fromLatin1(tamberlink::test::Radicale::kUser), server.Book()));
    }
    for (const int killAfterMs : {400, 900, 1600, 2500, 4000}) {
        Program command(home);
        start(command);
        WaitFor(
            command.process_, [] { return false; }, killAfterMs);
        ::kill(pid_t(command.process_.processId()), SIGKILL);
        command.process_.waitForFinished(10000);
    }
    Program last(home);
    start(last);
    ASSERT_TRUE(last.process_.waitForFinished(180000));
    EXPECT_EQ(last.process_.exitCode(), 0) << last.Errors().toStdString();

    bool ok = false;
    EXPECT_EQ(server.Peer({QStringLiteral("count")}, {}, &ok).trimmed().toInt(),
              kServerCards + kLocalContacts);
    tamberlink::LocalDatabase database;
    ASSERT_TRUE(database.Open(path));
    const std::vector<tamberlink::ContactRecord> contacts = database.Contacts().Load();
    QSet<QString> numbers;
    for (const tamberlink::ContactRecord& contact : contacts) {
        numbers.insert(contact.phone);
    }
    EXPECT_EQ(contacts.size(), std::size_t(kServerCards + kLocalContacts));
    EXPECT_EQ(std::size_t(numbers.size()), contacts.size()) << "a number came twice";
}
