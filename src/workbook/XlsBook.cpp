#include "workbook/XlsBook.h"

#include "util/HelperProcess.h"
#include "workbook/SheetStream.h"
#include "workbook/XlsxWriter.h"

#include <QFile>

namespace tamberlink {

XlsBook::XlsBook()
    : XlsBook(HelperProcess::Find(QString::fromLatin1(kReaderName)), kReadTimeoutMs) {}

XlsBook::XlsBook(QString reader, int timeoutMs)
    : reader_(std::move(reader))
    , timeoutMs_(timeoutMs) {}

void XlsBook::release() {
    sheets_.clear();
}

bool XlsBook::load(const QString& path) {
    release();
    ClearError();
    if (!QFile::exists(path)) {
        return Fail(Error::CannotRead, QStringLiteral("%1 does not exist").arg(path));
    }
    const QString cannot = QStringLiteral("the .xls could not be read: %1");
    if (reader_.isEmpty()) {
        return Fail(Error::CannotRead,
                    cannot.arg(QStringLiteral("%1 is not installed").arg(kReaderName)));
    }
    const HelperProcess::Result run =
        HelperProcess::Run(reader_, {path}, timeoutMs_, sheetstream::kMaxBytes);
    switch (run.outcome) {
    case HelperProcess::Outcome::Finished:
        break;
    case HelperProcess::Outcome::NotStarted:
        return Fail(Error::CannotRead,
                    cannot.arg(QStringLiteral("%1 did not start (%2)").arg(reader_, run.detail)));
    case HelperProcess::Outcome::TimedOut:
        return Fail(
            Error::Malformed,
            cannot.arg(
                QStringLiteral("reading it took longer than %1 s").arg(timeoutMs_ / 1000.0)));
    case HelperProcess::Outcome::TooMuchOutput:
        return Fail(Error::CannotRead,
                    cannot.arg(QStringLiteral("its first worksheet is too large to read safely")));
    case HelperProcess::Outcome::Crashed:
        return Fail(Error::Malformed, cannot.arg(QStringLiteral("its reader crashed on it")));
    case HelperProcess::Outcome::Failed:
        return Fail(
            Error::Malformed,
            cannot.arg(QStringLiteral("its reader ended with status %1").arg(run.exitCode)));
    }
    SheetStreamDecoder decoder;
    if (!decoder.Decode(run.output)) {
        return Fail(decoder.error(), cannot.arg(decoder.errorText()));
    }
    sheets_ = std::move(decoder.Sheets());
    return true;
}

ExcelSheet* XlsBook::getSheet(int index) {
    return index == 0 && !sheets_.empty() ? &sheets_.front().cells : nullptr;
}

bool XlsBook::save(const QString& path) {
    ClearError();
    if (!IsXlsxPath(path)) {
        return Fail(Error::Unsupported,
                    QStringLiteral(".xls files cannot be written; save as .xlsx"));
    }
    if (sheets_.empty()) {
        return Fail(Error::Unsupported, QStringLiteral("no worksheet was loaded"));
    }
    if (!CheckWritable(path)) {
        return false;
    }
    std::string bytes;
    QString error;
    if (!XlsxWriter::Build(sheets_, bytes, &error)) {
        return Fail(Error::WriteFailed, QStringLiteral("cannot build the package: %1").arg(error));
    }
    return WriteFile(path, bytes);
}

} // namespace tamberlink
