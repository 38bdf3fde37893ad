#include "workbook/ExcelBook.h"

#include "util/AtomicFile.h"
#include "workbook/XlsBook.h"
#include "workbook/XlsxBook.h"

#include <QFileInfo>

namespace tamberlink {

bool ExcelBook::IsXlsxPath(const QString& path) {
    return path.endsWith(QLatin1Char('x')) || path.endsWith(QLatin1Char('X'));
}

std::unique_ptr<ExcelBook> ExcelBook::Create(const QString& path) {
    if (IsXlsxPath(path)) {
        return std::make_unique<XlsxBook>();
    }
    return std::make_unique<XlsBook>();
}

bool ExcelBook::IsOpenElsewhere(const QString& path) {
    const QFileInfo info(path);
    const QString folder = info.absolutePath() + QLatin1Char('/');
    const QString name = info.fileName();
    return QFileInfo::exists(folder + QStringLiteral(".~lock.") + name + QLatin1Char('#')) ||
           QFileInfo::exists(folder + QStringLiteral("~$") + name);
}

bool ExcelBook::Fail(Error error, const QString& text) {
    error_ = error;
    errorText_ = text;
    return false;
}

void ExcelBook::ClearError() {
    error_ = Error::None;
    errorText_.clear();
}

bool ExcelBook::CheckWritable(const QString& path) {
    if (IsOpenElsewhere(path)) {
        return Fail(Error::OpenElsewhere,
                    QStringLiteral("%1 is open in another program").arg(path));
    }
    if (AtomicFile::IsReadOnly(path)) {
        return Fail(Error::ReadOnly, QStringLiteral("%1 is read-only").arg(path));
    }
    return true;
}

bool ExcelBook::WriteFile(const QString& path, std::string_view bytes) {
    QString error;
    if (!AtomicFile::Write(path, bytes, &error)) {
        return Fail(Error::WriteFailed, error);
    }
    return true;
}

} // namespace tamberlink
