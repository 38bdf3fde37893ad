#include "ui/shell/Autostart.h"

#include "util/AtomicFile.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

namespace tamberlink {

namespace {

const QString kEntryName = QStringLiteral("com.tamberlink.Tamberlink.desktop");

} // namespace

QString Autostart::DefaultFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/autostart");
}

Autostart::Autostart(QString folder)
    : folder_(std::move(folder)) {}

QString Autostart::EntryPath() const {
    return QDir(folder_).filePath(kEntryName);
}

bool Autostart::IsEnabled() const {
    QFile entry(EntryPath());
    if (!entry.open(QIODevice::ReadOnly)) {
        return false;
    }
    // An entry the user hid in the desktop's settings does not start anything.
    while (!entry.atEnd()) {
        const QByteArray line = entry.readLine().trimmed();
        if (line == "Hidden=true" || line == "X-GNOME-Autostart-enabled=false") {
            return false;
        }
    }
    return true;
}

QString Autostart::ExecWord(const QString& program) {
    QString word;
    for (const QChar c : program) {
        if (c == u'"' || c == u'`' || c == u'$' || c == u'\\') {
            word += u'\\';
        }
        word += c;
    }
    // A desktop file's string values escape their backslashes once more.
    return QStringLiteral("\"%1\"").arg(word.replace(u'\\', QStringLiteral("\\\\")));
}

bool Autostart::SetEnabled(bool enabled, const QString& program, QString* error) {
    if (!enabled) {
        if (QFile::exists(EntryPath()) && !QFile::remove(EntryPath())) {
            if (error != nullptr) {
                *error = QStringLiteral("cannot remove %1").arg(EntryPath());
            }
            return false;
        }
        return true;
    }
    if (!QDir().mkpath(folder_)) {
        if (error != nullptr) {
            *error = QStringLiteral("cannot make %1").arg(folder_);
        }
        return false;
    }
    const QString entry = QStringLiteral("[Desktop Entry]\n"
                                         "Type=Application\n"
                                         "Name=Tamberlink\n"
                                         "Comment=Waits in the tray for calls\n"
                                         "Comment[zh_CN]=开机后在托盘中等待来电\n"
                                         "Exec=%1 --%2\n"
                                         "Icon=com.tamberlink.Tamberlink\n"
                                         "Terminal=false\n"
                                         "X-GNOME-Autostart-enabled=true\n")
                              .arg(ExecWord(program), QString::fromLatin1(kOption));
    return AtomicFile::Write(EntryPath(), entry.toStdString(), error);
}

} // namespace tamberlink
