#include "workbook/xlsreader/BiffMerges.h"

#include <cstdint>
#include <cstring>
#include <optional>
#include <string>

namespace tamberlink {

namespace {

constexpr std::uint32_t kEndOfChain = 0xFFFFFFFE;
constexpr std::uint32_t kLastRegular = 0xFFFFFFFA; // above: free, end, FAT or DIFAT marks
constexpr int kDirectoryEntry = 128;
constexpr int kHeaderFatEntries = 109;

constexpr std::uint16_t kBof = 0x0809;
constexpr std::uint16_t kEof = 0x000A;
constexpr std::uint16_t kFilePass = 0x002F;
constexpr std::uint16_t kBoundSheet = 0x0085;
constexpr std::uint16_t kMergedCells = 0x00E5;

// Little-endian reads that check their bounds.
class Bytes {
public:
    explicit Bytes(const QByteArray& data)
        : data_(reinterpret_cast<const std::uint8_t*>(data.constData()))
        , size_(std::size_t(data.size())) {}
    Bytes(const std::uint8_t* data, std::size_t size)
        : data_(data)
        , size_(size) {}

    std::size_t Size() const { return size_; }
    const std::uint8_t* At(std::size_t offset) const { return data_ + offset; }
    bool Has(std::size_t offset, std::size_t count) const {
        return offset <= size_ && count <= size_ - offset;
    }
    std::optional<std::uint16_t> U16(std::size_t offset) const {
        if (!Has(offset, 2)) {
            return std::nullopt;
        }
        return std::uint16_t(data_[offset] | data_[offset + 1] << 8);
    }
    std::optional<std::uint32_t> U32(std::size_t offset) const {
        if (!Has(offset, 4)) {
            return std::nullopt;
        }
        return std::uint32_t(data_[offset]) | std::uint32_t(data_[offset + 1]) << 8 |
               std::uint32_t(data_[offset + 2]) << 16 | std::uint32_t(data_[offset + 3]) << 24;
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
};

// The streams of a compound document (the container of an .xls file).
class CompoundFile {
public:
    explicit CompoundFile(const QByteArray& file)
        : file_(file) {}

    // The stream of that name, or nothing when the document cannot be followed.
    std::optional<QByteArray> Stream(const char16_t* wanted) {
        static const std::uint8_t kSignature[] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
        const auto shift = file_.U16(0x1E);
        const auto miniShift = file_.U16(0x20);
        if (!file_.Has(0, 512) || std::memcmp(file_.At(0), kSignature, 8) != 0 || !shift ||
            (*shift != 9 && *shift != 12) || !miniShift || *miniShift != 6) {
            return std::nullopt;
        }
        sectorSize_ = std::size_t(1) << *shift;
        miniSize_ = std::size_t(1) << *miniShift;
        if (!ReadFat()) {
            return std::nullopt;
        }
        const std::optional<QByteArray> directory = Chain(fat_, *file_.U32(0x30), sectorSize_);
        if (!directory) {
            return std::nullopt;
        }
        const Bytes entries(*directory);
        std::optional<std::uint32_t> rootStart;
        std::uint64_t rootSize = 0;
        for (std::size_t at = 0; entries.Has(at, kDirectoryEntry); at += kDirectoryEntry) {
            const std::uint8_t type = *entries.At(at + 66);
            const std::uint32_t start = *entries.U32(at + 116);
            const std::uint64_t size = *entries.U32(at + 120);
            if (type == 5) {
                rootStart = start;
                rootSize = size;
            } else if (type == 2 && NameIs(entries, at, wanted)) {
                const std::uint32_t cutoff = file_.U32(0x38).value_or(4096);
                if (size >= cutoff) {
                    return Trimmed(Chain(fat_, start, sectorSize_), size);
                }
                if (!rootStart) {
                    return std::nullopt; // the root entry comes first
                }
                return MiniStream(*rootStart, rootSize, start, size);
            }
        }
        return std::nullopt;
    }

private:
    static bool NameIs(const Bytes& entries, std::size_t at, const char16_t* wanted) {
        const std::size_t length = std::char_traits<char16_t>::length(wanted);
        const std::uint16_t bytes = *entries.U16(at + 64);
        if (bytes != (length + 1) * 2) {
            return false;
        }
        for (std::size_t i = 0; i < length; ++i) {
            if (*entries.U16(at + 2 * i) != wanted[i]) {
                return false;
            }
        }
        return true;
    }

    static std::optional<QByteArray> Trimmed(std::optional<QByteArray> data, std::uint64_t size) {
        if (!data || std::uint64_t(data->size()) < size) {
            return std::nullopt;
        }
        data->truncate(qsizetype(size));
        return data;
    }

    bool ReadFat() {
        const std::uint32_t fatSectors = *file_.U32(0x2C);
        std::vector<std::uint32_t> fatChain;
        for (int i = 0; i < kHeaderFatEntries && fatChain.size() < fatSectors; ++i) {
            fatChain.push_back(*file_.U32(0x4C + 4 * std::size_t(i)));
        }
        // Further FAT sectors are listed in the DIFAT sectors, each ending with the next one.
        std::uint32_t difat = *file_.U32(0x44);
        const std::size_t perDifat = sectorSize_ / 4 - 1;
        for (std::size_t guard = 0; fatChain.size() < fatSectors && difat <= kLastRegular;
             ++guard) {
            const std::size_t offset = (std::size_t(difat) + 1) * sectorSize_;
            if (guard > file_.Size() / sectorSize_ || !file_.Has(offset, sectorSize_)) {
                return false;
            }
            for (std::size_t i = 0; i < perDifat && fatChain.size() < fatSectors; ++i) {
                fatChain.push_back(*file_.U32(offset + 4 * i));
            }
            difat = *file_.U32(offset + 4 * perDifat);
        }
        if (fatChain.size() < fatSectors) {
            return false;
        }
        for (const std::uint32_t sector : fatChain) {
            const std::size_t offset = (std::size_t(sector) + 1) * sectorSize_;
            if (sector > kLastRegular || !file_.Has(offset, sectorSize_)) {
                return false;
            }
            for (std::size_t i = 0; i < sectorSize_ / 4; ++i) {
                fat_.push_back(*file_.U32(offset + 4 * i));
            }
        }
        return true;
    }

    // The sectors of a chain, in order; nothing when it leaves the file or loops.
    std::optional<QByteArray> Chain(const std::vector<std::uint32_t>& table, std::uint32_t start,
                                    std::size_t unit, const Bytes* inside = nullptr) const {
        const Bytes& source = inside != nullptr ? *inside : file_;
        const std::size_t base = inside != nullptr ? 0 : 1; // the header is sector -1
        QByteArray out;
        std::uint32_t sector = start;
        for (std::size_t steps = 0; sector != kEndOfChain; ++steps) {
            const std::size_t offset = (std::size_t(sector) + base) * unit;
            if (sector > kLastRegular || sector >= table.size() || steps > table.size() ||
                !source.Has(offset, unit)) {
                return std::nullopt;
            }
            out.append(reinterpret_cast<const char*>(source.At(offset)), qsizetype(unit));
            sector = table[sector];
        }
        return out;
    }

    std::optional<QByteArray> MiniStream(std::uint32_t rootStart, std::uint64_t rootSize,
                                         std::uint32_t start, std::uint64_t size) const {
        const std::optional<QByteArray> miniData =
            Trimmed(Chain(fat_, rootStart, sectorSize_), rootSize);
        const std::optional<QByteArray> miniFatBytes = Chain(fat_, *file_.U32(0x3C), sectorSize_);
        if (!miniData || !miniFatBytes) {
            return std::nullopt;
        }
        const Bytes miniFatTable(*miniFatBytes);
        std::vector<std::uint32_t> miniFat;
        for (std::size_t at = 0; miniFatTable.Has(at, 4); at += 4) {
            miniFat.push_back(*miniFatTable.U32(at));
        }
        const Bytes inside(*miniData);
        return Trimmed(Chain(miniFat, start, miniSize_, &inside), size);
    }

    Bytes file_;
    std::size_t sectorSize_ = 512;
    std::size_t miniSize_ = 64;
    std::vector<std::uint32_t> fat_;
};

// A BOUNDSHEET record's sheet: where its records start, and its name.
struct BoundSheet {
    std::uint32_t offset = 0;
    QString name;
};

std::optional<BoundSheet> ReadBoundSheet(const Bytes& record, bool biff8) {
    const auto offset = record.U32(0);
    if (!offset || !record.Has(6, 1)) {
        return std::nullopt;
    }
    const std::size_t count = *record.At(6);
    BoundSheet sheet{*offset, {}};
    if (!biff8) {
        if (record.Has(7, count)) {
            sheet.name =
                QString::fromLatin1(reinterpret_cast<const char*>(record.At(7)), qsizetype(count));
        }
        return sheet;
    }
    if (!record.Has(7, 1)) {
        return std::nullopt;
    }
    const bool wide = (*record.At(7) & 0x01) != 0;
    if (wide && record.Has(8, 2 * count)) {
        for (std::size_t i = 0; i < count; ++i) {
            sheet.name += QChar(*record.U16(8 + 2 * i));
        }
    } else if (!wide && record.Has(8, count)) {
        sheet.name =
            QString::fromLatin1(reinterpret_cast<const char*>(record.At(8)), qsizetype(count));
    }
    return sheet;
}

void ReadRanges(const Bytes& record, std::vector<MergedRange>& ranges) {
    const std::uint16_t count = record.U16(0).value_or(0);
    for (std::size_t i = 0; i < count && record.Has(2 + 8 * i, 8); ++i) {
        const std::size_t at = 2 + 8 * i;
        const MergedRange range{*record.U16(at), *record.U16(at + 4), *record.U16(at + 2),
                                *record.U16(at + 6)};
        if (range.firstRow <= range.lastRow && range.firstCol <= range.lastCol &&
            range.lastCol < kMaxSheetColumns) {
            ranges.push_back(range);
        }
    }
}

// The ranges of the sheet whose records start at `offset`; the substreams inside it (charts)
// are skipped.
std::vector<MergedRange> SheetRanges(const Bytes& stream, std::size_t offset) {
    std::vector<MergedRange> ranges;
    int depth = 0;
    for (std::size_t at = offset; stream.Has(at, 4);) {
        const std::uint16_t type = *stream.U16(at);
        const std::uint16_t length = *stream.U16(at + 2);
        if (!stream.Has(at + 4, length)) {
            break;
        }
        const Bytes record(stream.At(at + 4), length);
        if (type == kBof) {
            ++depth;
        } else if (type == kEof && --depth <= 0) {
            break;
        } else if (type == kMergedCells && depth == 1) {
            ReadRanges(record, ranges);
        }
        if (depth == 0) {
            break; // no BOF where the sheet should begin
        }
        at += 4 + std::size_t(length);
    }
    return ranges;
}

} // namespace

std::vector<BiffMerges::Sheet> BiffMerges::Read(const QByteArray& file) {
    CompoundFile document(file);
    std::optional<QByteArray> workbook = document.Stream(u"Workbook");
    bool biff8 = true;
    if (!workbook) {
        workbook = document.Stream(u"Book");
        biff8 = false;
    }
    if (!workbook) {
        return {};
    }
    const Bytes stream(*workbook);
    std::vector<BoundSheet> bound;
    for (std::size_t at = 0; stream.Has(at, 4);) {
        const std::uint16_t type = *stream.U16(at);
        const std::uint16_t length = *stream.U16(at + 2);
        if (!stream.Has(at + 4, length) || (at == 0 && type != kBof)) {
            return {};
        }
        if (type == kFilePass) {
            return {}; // encrypted: the records that follow cannot be read
        }
        if (type == kBoundSheet) {
            if (auto sheet = ReadBoundSheet(Bytes(stream.At(at + 4), length), biff8)) {
                bound.push_back(std::move(*sheet));
            }
        }
        at += 4 + std::size_t(length);
        if (type == kEof) {
            break;
        }
    }
    std::vector<Sheet> sheets;
    for (const BoundSheet& sheet : bound) {
        sheets.push_back({sheet.name, SheetRanges(stream, sheet.offset)});
    }
    return sheets;
}

} // namespace tamberlink
