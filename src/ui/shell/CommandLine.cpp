#include "ui/shell/CommandLine.h"

#include "ui/shell/Autostart.h"
#include "ui/shell/DialLink.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>
#include <QLoggingCategory>

#include <cstdio>

namespace tamberlink {

namespace {

class Options {
public:
    Options()
        : help_(parser_.addHelpOption())
        , version_(parser_.addVersionOption()) {
        parser_.setApplicationDescription(
            QStringLiteral("Tamberlink, the desktop telephone assistant.\n\nGiven a number or a "
                           "tel: or callto: link, Tamberlink offers it in its quick dial; when "
                           "Tamberlink already runs, that one does."));
        parser_.addOption(serialPort_);
        parser_.addOption(verbose_);
        parser_.addOption(autostart_);
        parser_.addOption(importContacts_);
        parser_.addOption(exportContacts_);
        parser_.addOption(syncContacts_);
        parser_.addPositionalArgument(
            QStringLiteral("number"),
            QStringLiteral("A telephone number, or a tel: or callto: link, to offer for a call."),
            QStringLiteral("[number]"));
    }

    QCommandLineParser& Parser() { return parser_; }
    bool WantsText() const {
        return parser_.isSet(help_) || parser_.isSet(QStringLiteral("help-all")) ||
               parser_.isSet(version_);
    }
    QString SerialPort() const { return parser_.value(serialPort_); }
    bool Verbose() const { return parser_.isSet(verbose_); }
    bool Autostart() const { return parser_.isSet(autostart_); }
    std::optional<ContactFileCommand> ContactFile() const {
        for (const auto& [option, kind] :
             {std::pair{&importContacts_, ContactFileCommand::Kind::Import},
              std::pair{&exportContacts_, ContactFileCommand::Kind::Export}}) {
            if (parser_.isSet(*option)) {
                return ContactFileCommand{kind,
                                          QFileInfo(parser_.value(*option)).absoluteFilePath()};
            }
        }
        if (parser_.isSet(syncContacts_)) {
            return ContactFileCommand{ContactFileCommand::Kind::Sync, QString()};
        }
        return std::nullopt;
    }

private:
    QCommandLineParser parser_;
    QCommandLineOption help_;
    QCommandLineOption version_;
    QCommandLineOption serialPort_{
        QStringLiteral("serial-port"),
        QStringLiteral("Look for the telephone box on <path> before the serial ports."),
        QStringLiteral("path")};
    QCommandLineOption verbose_{QStringLiteral("verbose"),
                                QStringLiteral("Log everything the program does to standard "
                                               "error.")};
    QCommandLineOption importContacts_{
        QStringLiteral("import-contacts"),
        QStringLiteral("Import the contacts of a vCard (.vcf) or CSV file, print what was "
                       "imported and exit."),
        QStringLiteral("file")};
    QCommandLineOption exportContacts_{
        QStringLiteral("export-contacts"),
        QStringLiteral("Export every contact to a vCard (.vcf) or, for a name ending in .csv, "
                       "a CSV file, print how many and exit."),
        QStringLiteral("file")};
    QCommandLineOption syncContacts_{
        QStringLiteral("sync-contacts"),
        QStringLiteral("Sync the contacts once with the CardDAV address book set in the "
                       "window (a password piped to standard input is used instead of the "
                       "kept one), print what changed and exit.")};
    QCommandLineOption autostart_{QString::fromLatin1(Autostart::kOption),
                                  QStringLiteral("Start in the tray, as the desktop does at "
                                                 "login when Tamberlink starts with it.")};
};

} // namespace

void CommandLine::AnswerHelpAndVersion(int argc, char** argv) {
    Options options;
    QStringList arguments;
    for (int i = 0; i < argc; ++i) {
        arguments << QString::fromLocal8Bit(argv[i]);
    }
    // Arguments it cannot read (the toolkit's own among them) are left to Parse.
    if (!options.Parser().parse(arguments) || !options.WantsText()) {
        return;
    }
    QCoreApplication app(argc, argv);
    options.Parser().process(app);
}

CommandLine CommandLine::Parse(const QCoreApplication& app) {
    Options options;
    options.Parser().process(app);
    CommandLine line;
    line.serialPort = options.SerialPort();
    line.verbose = options.Verbose();
    line.autostart = options.Autostart();
    line.contactFile = options.ContactFile();
    const QStringList numbers = options.Parser().positionalArguments();
    if (numbers.size() > 1) {
        std::fprintf(stderr, "tamberlink: one number at a time; offering the first\n");
    }
    if (!numbers.isEmpty()) {
        line.number = NumberFromDialLink(numbers.front());
        if (line.number.isEmpty()) {
            std::fprintf(stderr, "tamberlink: no telephone number to offer in the argument\n");
        }
    }
    return line;
}

namespace {
constexpr QByteArrayView kImportLine = "import-contacts ";
constexpr QByteArrayView kExportLine = "export-contacts ";
constexpr QByteArrayView kSyncLine = "sync-contacts";
} // namespace

QByteArray ContactFileCommand::ToLine() const {
    if (kind == Kind::Sync) {
        return kSyncLine.toByteArray() +
               (password ? ' ' + password->toUtf8().toBase64() : QByteArray());
    }
    return (kind == Kind::Import ? kImportLine : kExportLine).toByteArray() + path.toUtf8();
}

std::optional<ContactFileCommand> ContactFileCommand::FromLine(const QByteArray& line) {
    if (line == kSyncLine) {
        return ContactFileCommand{Kind::Sync, QString()};
    }
    if (line.startsWith(kSyncLine.toByteArray() + ' ')) {
        return ContactFileCommand{
            Kind::Sync, QString(),
            QString::fromUtf8(QByteArray::fromBase64(line.mid(kSyncLine.size() + 1)))};
    }
    for (const auto& [head, kind] :
         {std::pair{kImportLine, Kind::Import}, std::pair{kExportLine, Kind::Export}}) {
        if (line.startsWith(head) && line.size() > head.size()) {
            const QString path = QString::fromUtf8(line.mid(head.size()));
            // Only an absolute path: the other start's working folder is not ours.
            if (QFileInfo(path).isAbsolute()) {
                return ContactFileCommand{kind, path};
            }
        }
    }
    return std::nullopt;
}

void SetUpLogging(bool verbose) {
    qSetMessagePattern(QStringLiteral("%{time yyyy-MM-dd hh:mm:ss.zzz} "
                                      "%{if-category}%{category} %{endif}%{type}: %{message}"));
    if (verbose) {
        QLoggingCategory::setFilterRules(QStringLiteral("tamberlink.*=true"));
    }
}

} // namespace tamberlink
