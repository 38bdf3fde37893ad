#include "workbook/SheetStream.h"

#include <QIODevice>
#include <QStringDecoder>

namespace tamberlink {

using namespace sheetstream;

namespace {

constexpr QDataStream::Version kStreamVersion = QDataStream::Qt_6_0;
// Room kept for the failure record and the end mark once the cells reach the limit.
constexpr qint64 kReserve = 1 + 1 + 4 + 3 * kMaxErrorText + 1;
constexpr qint64 kCellHead = 1 + 4 + 2;
constexpr qint64 kMergeSize = 1 + 2 * (4 + 2);

} // namespace

SheetStreamWriter::SheetStreamWriter(QIODevice& out)
    : stream_(&out) {
    stream_.setVersion(kStreamVersion);
    stream_ << kMagic << kVersion;
    written_ = 4 + 2;
}

void SheetStreamWriter::Text(const QByteArray& utf8) {
    stream_ << quint32(utf8.size());
    stream_.writeRawData(utf8.constData(), int(utf8.size()));
    written_ += 4 + utf8.size();
}

void SheetStreamWriter::Sheet(const QString& name) {
    stream_ << quint8(kSheet);
    ++written_;
    Text(name.left(kMaxSheetName).toUtf8());
}

bool SheetStreamWriter::Cell(int row, const ValueSheet::Cell& cell) {
    const bool number = cell.type == CellType::Number;
    const bool date = number && cell.format != CellFormat::General;
    const QByteArray utf8 = number ? QByteArray() : cell.text.toUtf8();
    const qint64 size = kCellHead + (number ? 8 + (date ? 1 : 0) : 4 + utf8.size());
    if (written_ + size > kMaxBytes - kReserve) {
        return false;
    }
    stream_ << quint8(date ? kDate : number ? kNumber : kText) << quint32(row) << quint16(cell.col);
    written_ += kCellHead;
    if (number) {
        stream_ << cell.number;
        written_ += 8;
        if (date) {
            stream_ << quint8(cell.format);
            ++written_;
        }
    } else {
        Text(utf8);
    }
    return true;
}

bool SheetStreamWriter::Merge(const MergedRange& range) {
    if (written_ + kMergeSize > kMaxBytes - kReserve) {
        return false;
    }
    stream_ << quint8(kMerge) << quint32(range.firstRow) << quint16(range.firstCol)
            << quint32(range.lastRow) << quint16(range.lastCol);
    written_ += kMergeSize;
    return true;
}

void SheetStreamWriter::Failure(ExcelBook::Error error, const QString& text) {
    stream_ << quint8(kFailure) << quint8(error);
    written_ += 2;
    Text(text.left(kMaxErrorText).toUtf8());
}

bool SheetStreamWriter::End() {
    stream_ << quint8(kEnd);
    return stream_.status() == QDataStream::Ok;
}

void SheetStreamDecoder::Clear() {
    error_ = ExcelBook::Error::None;
    errorText_.clear();
    damaged_ = false;
    sheets_.clear();
    lastRow_ = -1;
    lastCol_ = -1;
}

bool SheetStreamDecoder::Refuse(const QString& why) {
    Clear();
    damaged_ = true;
    error_ = ExcelBook::Error::Malformed;
    errorText_ = QStringLiteral("the reader's output is damaged (%1)").arg(why);
    return false;
}

bool SheetStreamDecoder::ReadText(QDataStream& in, int maxLength, QString& text) {
    quint32 size = 0;
    in >> size;
    if (in.status() != QDataStream::Ok) {
        return Refuse(QStringLiteral("it ends inside a text"));
    }
    // UTF-8 takes at most three bytes for each UTF-16 unit.
    if (size > quint32(3 * maxLength)) {
        return Refuse(QStringLiteral("a text of %1 bytes").arg(size));
    }
    QByteArray utf8(qsizetype(size), Qt::Uninitialized);
    if (in.readRawData(utf8.data(), int(size)) != int(size)) {
        return Refuse(QStringLiteral("it ends inside a text"));
    }
    // Stateless, so that a character cut at the text's end is an error rather than held back
    // for input that never comes.
    QStringDecoder decode(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless |
                                                    QStringDecoder::Flag::ConvertInitialBom);
    text = decode(utf8);
    if (decode.hasError()) {
        return Refuse(QStringLiteral("a text that is not UTF-8"));
    }
    if (text.size() > maxLength) {
        return Refuse(QStringLiteral("a text of %1 characters").arg(text.size()));
    }
    return true;
}

bool SheetStreamDecoder::ReadCell(QDataStream& in, CellKind kind) {
    quint32 row = 0;
    quint16 col = 0;
    in >> row >> col;
    if (in.status() != QDataStream::Ok) {
        return Refuse(QStringLiteral("it ends inside a cell"));
    }
    if (row >= quint32(kMaxSheetRows) || col >= kMaxSheetColumns) {
        return Refuse(QStringLiteral("a cell outside the largest sheet"));
    }
    // The sheet takes its cells in row order, and in column order within a row.
    if (int(row) < lastRow_ || (int(row) == lastRow_ && int(col) <= lastCol_)) {
        return Refuse(QStringLiteral("cells out of order"));
    }
    ValueSheet::Cell cell;
    cell.col = col;
    if (kind != CellKind::Text) {
        cell.type = CellType::Number;
        in >> cell.number;
        quint8 format = quint8(CellFormat::General);
        if (kind == CellKind::Date) {
            in >> format;
        }
        if (in.status() != QDataStream::Ok) {
            return Refuse(QStringLiteral("it ends inside a cell"));
        }
        if (kind == CellKind::Date &&
            (format < quint8(CellFormat::Date) || format > quint8(CellFormat::Time))) {
            return Refuse(QStringLiteral("a date of unknown format %1").arg(format));
        }
        cell.format = CellFormat(format);
    } else {
        cell.type = CellType::String;
        if (!ReadText(in, kMaxCellText, cell.text)) {
            return false;
        }
    }
    sheets_.back().cells.Append(int(row), std::move(cell));
    lastRow_ = int(row);
    lastCol_ = col;
    return true;
}

bool SheetStreamDecoder::ReadMerge(QDataStream& in) {
    quint32 firstRow = 0;
    quint32 lastRow = 0;
    quint16 firstCol = 0;
    quint16 lastCol = 0;
    in >> firstRow >> firstCol >> lastRow >> lastCol;
    if (in.status() != QDataStream::Ok) {
        return Refuse(QStringLiteral("it ends inside a merged range"));
    }
    if (lastRow >= quint32(kMaxSheetRows) || lastCol >= kMaxSheetColumns || firstRow > lastRow ||
        firstCol > lastCol) {
        return Refuse(QStringLiteral("a merged range outside the largest sheet"));
    }
    sheets_.back().merges.push_back({int(firstRow), int(firstCol), int(lastRow), int(lastCol)});
    return true;
}

bool SheetStreamDecoder::ReadFailure(QDataStream& in) {
    quint8 kind = 0;
    in >> kind;
    QString text;
    if (in.status() != QDataStream::Ok) {
        return Refuse(QStringLiteral("it ends inside a failure"));
    }
    const auto error = ExcelBook::Error(kind);
    if (error != ExcelBook::Error::CannotRead && error != ExcelBook::Error::NotAWorkbook &&
        error != ExcelBook::Error::Malformed) {
        return Refuse(QStringLiteral("a failure of unknown kind %1").arg(kind));
    }
    if (!ReadText(in, kMaxErrorText, text)) {
        return false;
    }
    if (text.isEmpty()) {
        return Refuse(QStringLiteral("a failure without its reason"));
    }
    quint8 tag = kFailure;
    in >> tag;
    if (in.status() != QDataStream::Ok || tag != kEnd || !in.atEnd()) {
        return Refuse(QStringLiteral("the failure is not its last record"));
    }
    Clear();
    error_ = error;
    errorText_ = text;
    return false;
}

bool SheetStreamDecoder::Decode(const QByteArray& bytes) {
    Clear();
    if (bytes.size() > kMaxBytes) {
        return Refuse(QStringLiteral("%1 bytes").arg(bytes.size()));
    }
    QDataStream in(bytes);
    in.setVersion(kStreamVersion);
    quint32 magic = 0;
    quint16 version = 0;
    in >> magic >> version;
    if (in.status() != QDataStream::Ok || magic != kMagic) {
        return Refuse(QStringLiteral("it does not begin with the reader's mark"));
    }
    if (version != kVersion) {
        return Refuse(QStringLiteral("version %1 instead of %2").arg(version).arg(kVersion));
    }
    for (;;) {
        quint8 tag = kEnd;
        in >> tag;
        if (in.status() != QDataStream::Ok) {
            return Refuse(QStringLiteral("it ends before its end mark"));
        }
        switch (tag) {
        case kEnd:
            return in.atEnd() || Refuse(QStringLiteral("bytes after its end mark"));
        case kSheet: {
            if (sheets_.size() >= std::size_t(kMaxSheets)) {
                return Refuse(QStringLiteral("more than %1 sheets").arg(kMaxSheets));
            }
            QString name;
            if (!ReadText(in, kMaxSheetName, name)) {
                return false;
            }
            sheets_.push_back({std::move(name), {}, {}});
            lastRow_ = -1;
            lastCol_ = -1;
            break;
        }
        case kNumber:
        case kText:
        case kDate:
            if (sheets_.empty()) {
                return Refuse(QStringLiteral("a cell before the sheet"));
            }
            // A sheet's cells come before its merged ranges: one stream, one order.
            if (!sheets_.back().merges.empty()) {
                return Refuse(QStringLiteral("a cell after the merged ranges"));
            }
            if (!ReadCell(in, tag == kNumber ? CellKind::Number
                              : tag == kText ? CellKind::Text
                                             : CellKind::Date)) {
                return false;
            }
            break;
        case kMerge:
            if (sheets_.empty()) {
                return Refuse(QStringLiteral("a merged range before the sheet"));
            }
            if (!ReadMerge(in)) {
                return false;
            }
            break;
        case kFailure:
            return ReadFailure(in);
        default:
            return Refuse(QStringLiteral("a record of unknown kind %1").arg(tag));
        }
    }
}

} // namespace tamberlink
