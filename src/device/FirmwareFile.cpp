#include "device/FirmwareFile.h"

#include "util/TextCodec.h"

#include <QFile>

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

} // namespace

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
