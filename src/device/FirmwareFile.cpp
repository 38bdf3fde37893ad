#include "device/FirmwareFile.h"

#include "util/TextCodec.h"

#include <QFile>
#include <QFileInfo>

#include <string>

namespace tamberlink {

namespace {

// A long line goes out in pieces of at most this many characters; an even count keeps every
// hex pair inside one piece.
constexpr int kPieceChars = 1022;

// The next piece of a line, its line end included when it fits.
bool ReadPiece(FILE* file, std::string& piece) {
    char buffer[kPieceChars + 1];
    if (std::fgets(buffer, sizeof buffer, file) == nullptr) {
        return false;
    }
    piece.assign(buffer);
    return true;
}

void DropLineEnd(std::string& piece) {
    while (!piece.empty() && (piece.back() == '\n' || piece.back() == '\r')) {
        piece.pop_back();
    }
}

bool IsHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

} // namespace

QString FirmwareFile::Check(const QString& path) {
    if (path.isEmpty()) {
        return QStringLiteral("升级失败，未选择升级文件");
    }
    std::unique_ptr<FILE, int (*)(FILE*)> file(
        std::fopen(QFile::encodeName(path).constData(), "rb"), std::fclose);
    if (!file || QFileInfo(path).isDir()) {
        return QStringLiteral("升级失败，请检查升级文件是否存在");
    }
    const QString notFirmware =
        QStringLiteral("升级失败，所选文件不是固件文件：每行只能是成对的十六进制数字");
    long long digits = 0;   // of the current line
    long long hexLines = 0; // lines that hold digits
    bool carriageReturn = false;
    for (int c = std::fgetc(file.get());; c = std::fgetc(file.get())) {
        const bool lineEnd = c == '\n' || c == EOF;
        if (carriageReturn && !lineEnd) {
            return notFirmware; // a CR only ends a line
        }
        if (lineEnd) {
            if (digits % 2 != 0) {
                return notFirmware;
            }
            hexLines += digits > 0 ? 1 : 0;
            digits = 0;
            carriageReturn = false;
            if (c == EOF) {
                break;
            }
        } else if (c == '\r') {
            carriageReturn = true;
        } else if (IsHexDigit(char(c))) {
            ++digits;
        } else {
            return notFirmware;
        }
    }
    if (std::ferror(file.get())) {
        return QStringLiteral("升级失败，请检查升级文件是否存在");
    }
    return hexLines == 0 ? QStringLiteral("升级失败，升级文件是空的") : QString();
}

bool FirmwareFile::Open(const QString& path) {
    file_.reset(std::fopen(QFile::encodeName(path).constData(), "rb"));
    lineCount_ = 0;
    if (!file_) {
        return false;
    }
    std::string piece;
    while (ReadPiece(file_.get(), piece)) {
        ++lineCount_;
    }
    std::rewind(file_.get());
    return true;
}

std::optional<std::vector<std::uint8_t>> FirmwareFile::NextLine() {
    std::string piece;
    if (!file_ || !ReadPiece(file_.get(), piece)) {
        file_.reset();
        return std::nullopt;
    }
    DropLineEnd(piece);
    return HexToBytes(piece);
}

} // namespace tamberlink
