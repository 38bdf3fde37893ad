#pragma once

#include <QString>

namespace tamberlink {

// The program's entry in the desktop's autostart folder ("$XDG_CONFIG_HOME/autostart", where
// freedesktop desktops look at login): while it exists, the desktop starts the program
// when the user logs in, with kOption, so that it waits in the tray for the first call.
class Autostart {
public:
    static constexpr const char* kOption = "autostart";

    // The user's autostart folder.
    static QString DefaultFolder();

    explicit Autostart(QString folder = DefaultFolder());

    QString EntryPath() const;
    // Whether the entry is there and not hidden.
    bool IsEnabled() const;
    // Writes the entry, starting `program`, or removes it. False, with `error` set and
    // nothing changed, when the folder or the entry cannot be written.
    bool SetEnabled(bool enabled, const QString& program, QString* error = nullptr);

    // `program` as an Exec key's first word: quoted, with the characters desktop entries
    // reserve escaped.
    static QString ExecWord(const QString& program);

private:
    QString folder_;
};

} // namespace tamberlink
