#include "workbook/OfficeConverter.h"

#include "util/HelperProcess.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QUrl>

namespace tamberlink {

QString OfficeConverter::FindOffice() {
    for (const char* name : {"soffice", "libreoffice"}) {
        const QString found = QStandardPaths::findExecutable(QString::fromLatin1(name));
        if (!found.isEmpty()) {
            return found;
        }
    }
    return {};
}

OfficeConverter::OfficeConverter(QString office, QString profile)
    : office_(std::move(office))
    , profile_(std::move(profile)) {}

bool OfficeConverter::Convert(const QString& xls, const QString& target, QString* error) const {
    const auto fail = [error](const QString& why) {
        if (error != nullptr) {
            *error = why;
        }
        return false;
    };
    if (office_.isEmpty()) {
        return fail(QStringLiteral("LibreOffice is not installed"));
    }
    QTemporaryDir out(QFileInfo(target).absolutePath() + QStringLiteral("/.tamberlink-XXXXXX"));
    if (!out.isValid() || !QDir().mkpath(profile_)) {
        return fail(QStringLiteral("no room for the conversion beside %1").arg(target));
    }
    const QStringList arguments{QStringLiteral("-env:UserInstallation=") +
                                    QUrl::fromLocalFile(profile_).toString(),
                                QStringLiteral("--headless"),
                                QStringLiteral("--norestore"),
                                QStringLiteral("--nolockcheck"),
                                QStringLiteral("--convert-to"),
                                QStringLiteral("xlsx"),
                                QStringLiteral("--outdir"),
                                out.path(),
                                xls};
    // Its messages are not needed; a limit keeps a talkative run from growing without end.
    const HelperProcess::Result run = HelperProcess::Run(office_, arguments, kTimeoutMs, 1 << 20);
    if (run.outcome != HelperProcess::Outcome::Finished) {
        return fail(QStringLiteral("LibreOffice did not convert %1 (outcome %2, status %3)")
                        .arg(xls)
                        .arg(int(run.outcome))
                        .arg(run.exitCode));
    }
    const QString converted =
        QDir(out.path()).filePath(QFileInfo(xls).completeBaseName() + QStringLiteral(".xlsx"));
    if (!QFileInfo(converted).isFile()) {
        return fail(QStringLiteral("LibreOffice made no .xlsx of %1").arg(xls));
    }
    if (QFileInfo::exists(target) && !QFile::remove(target)) {
        return fail(QStringLiteral("%1 cannot be replaced").arg(target));
    }
    if (!QFile::rename(converted, target)) {
        return fail(QStringLiteral("%1 cannot be written").arg(target));
    }
    return true;
}

} // namespace tamberlink
