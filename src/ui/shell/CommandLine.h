#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

class QCoreApplication;

namespace tamberlink {

// "--import-contacts FILE" or "--export-contacts FILE": a contact file for the running
// Tamberlink (or this process, when none runs) to read or write. As a line between two starts:
// "import-contacts " or "export-contacts " and the absolute path. "--sync-contacts": one sync
// with the address book, as "sync-contacts", and the password, when one came on standard
// input, in base64 after a blank.
struct ContactFileCommand {
    enum class Kind { Import, Export, Sync };
    Kind kind = Kind::Import;
    QString path;
    std::optional<QString> password = std::nullopt;

    QByteArray ToLine() const;
    static std::optional<ContactFileCommand> FromLine(const QByteArray& line);
};

// What the program was asked on its command line.
struct CommandLine {
    // Where to look for the telephone box before the machine's serial ports; empty for
    // those alone.
    QString serialPort;
    // The number to offer in the quick dial, cleaned; empty for none.
    QString number;
    bool verbose = false;
    // Started by the desktop at login (Autostart): the window waits in the tray.
    bool autostart = false;
    std::optional<ContactFileCommand> contactFile;

    // Answers --help and --version and ends the process, before the program needs a display;
    // returns when neither was asked (or the arguments need the application to be read).
    static void AnswerHelpAndVersion(int argc, char** argv);

    // Reads the arguments of `app`. Help, the version and a mistake in the arguments are
    // answered on the terminal, and end the process (a mistake with exit code 1).
    static CommandLine Parse(const QCoreApplication& app);
};

// Sets the log's line format, and with `verbose` turns on every message of the program's
// logging categories ("tamberlink.*"); QT_LOGGING_RULES and QT_MESSAGE_PATTERN still have
// the last word.
void SetUpLogging(bool verbose);

} // namespace tamberlink
