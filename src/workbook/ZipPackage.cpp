#include "workbook/ZipPackage.h"

#include <zip.h>

#include <cstdlib>
#include <cstring>

namespace tamberlink {

namespace {

// libzip deflates at level 9 by default, several times slower than 6 for a few per cent of size;
// office programs write about what 6 gives.
constexpr zip_uint32_t kDeflateLevel = 6;

void SetError(QString* error, const QString& text) {
    if (error != nullptr) {
        *error = text;
    }
}

QString ZipErrorText(zip_error_t* error) {
    return QString::fromUtf8(zip_error_strerror(error));
}

// The bytes a buffer source holds after an archive was written into it.
bool ReadSource(zip_source_t* source, std::string& out) {
    zip_stat_t st;
    zip_stat_init(&st);
    if (zip_source_stat(source, &st) != 0 || (st.valid & ZIP_STAT_SIZE) == 0 ||
        zip_source_open(source) != 0) {
        return false;
    }
    out.resize(std::size_t(st.size));
    const zip_int64_t got = zip_source_read(source, out.data(), st.size);
    zip_source_close(source);
    return got >= 0 && zip_uint64_t(got) == st.size;
}

// An empty writable archive in memory; `source` outlives zip_close so it can be read back.
// A writable source gets its own copy of the bytes: when the archive is written back, libzip
// frees the buffers the source started with.
zip_t* NewMemoryArchive(const void* data, std::size_t size, int flags, zip_source_t*& source,
                        QString* error) {
    zip_error_t zerror;
    zip_error_init(&zerror);
    const bool writable = (flags & ZIP_RDONLY) == 0;
    void* copy = nullptr;
    if (writable && size > 0) {
        copy = std::malloc(size);
        if (copy == nullptr) {
            SetError(error, QStringLiteral("out of memory"));
            return nullptr;
        }
        std::memcpy(copy, data, size);
        data = copy;
    }
    source = zip_source_buffer_create(data, size, writable ? 1 : 0, &zerror);
    if (source == nullptr) {
        std::free(copy);
        SetError(error, ZipErrorText(&zerror));
        zip_error_fini(&zerror);
        return nullptr;
    }
    zip_t* archive = zip_open_from_source(source, flags, &zerror);
    if (archive == nullptr) {
        SetError(error, ZipErrorText(&zerror));
        zip_source_free(source);
        source = nullptr;
    } else {
        zip_source_keep(source); // one reference for the archive, one for us
    }
    zip_error_fini(&zerror);
    return archive;
}

// Closes the archive into its source and takes the bytes.
bool Finish(zip_t* archive, zip_source_t* source, std::string& out, QString* error) {
    if (zip_close(archive) != 0) {
        SetError(error, ZipErrorText(zip_get_error(archive)));
        zip_discard(archive);
        zip_source_free(source);
        return false;
    }
    const bool read = ReadSource(source, out);
    zip_source_free(source);
    if (!read) {
        SetError(error, QStringLiteral("cannot read the written package"));
    }
    return read;
}

} // namespace

ZipPackage::~ZipPackage() {
    Close();
}

void ZipPackage::Close() {
    if (archive_ != nullptr) {
        zip_discard(archive_);
        archive_ = nullptr;
    }
    if (source_ != nullptr) {
        zip_source_free(source_);
        source_ = nullptr;
    }
    bytes_.clear();
}

bool ZipPackage::Open(std::string bytes, QString* error) {
    Close();
    bytes_ = std::move(bytes);
    archive_ = NewMemoryArchive(bytes_.data(), bytes_.size(), ZIP_RDONLY, source_, error);
    if (archive_ == nullptr) {
        bytes_.clear();
        return false;
    }
    return true;
}

bool ZipPackage::Has(const std::string& name) const {
    return archive_ != nullptr && zip_name_locate(archive_, name.c_str(), ZIP_FL_NOCASE) >= 0;
}

ZipPackage::ReadResult ZipPackage::Read(const std::string& name, std::string& out,
                                        std::size_t limit) const {
    out.clear();
    if (archive_ == nullptr) {
        return ReadResult::Missing;
    }
    const zip_int64_t index = zip_name_locate(archive_, name.c_str(), ZIP_FL_NOCASE);
    if (index < 0) {
        return ReadResult::Missing;
    }
    zip_stat_t st;
    if (zip_stat_index(archive_, zip_uint64_t(index), 0, &st) != 0) {
        return ReadResult::Corrupt;
    }
    if ((st.valid & ZIP_STAT_SIZE) != 0 && st.size > limit) {
        return ReadResult::TooLarge;
    }
    zip_file_t* file = zip_fopen_index(archive_, zip_uint64_t(index), 0);
    if (file == nullptr) {
        return ReadResult::Corrupt;
    }
    // The stated size may lie; the inflated bytes themselves are counted against the limit.
    char chunk[65536];
    ReadResult result = ReadResult::Ok;
    for (;;) {
        const zip_int64_t got = zip_fread(file, chunk, sizeof chunk);
        if (got < 0) {
            result = ReadResult::Corrupt;
            break;
        }
        if (got == 0) {
            break;
        }
        if (out.size() + std::size_t(got) > limit) {
            result = ReadResult::TooLarge;
            break;
        }
        out.append(chunk, std::size_t(got));
    }
    zip_fclose(file);
    if (result != ReadResult::Ok) {
        out.clear();
    }
    return result;
}

bool ZipPackage::WithReplaced(const std::string& name, std::string_view content, std::string& out,
                              QString* error) const {
    if (archive_ == nullptr) {
        SetError(error, QStringLiteral("no package"));
        return false;
    }
    // libzip ignores a compression level for a replaced member that keeps its method, so the
    // new content is deflated on its own first and then copied in compressed, like the rest.
    std::string packed;
    if (!Build({{name, std::string(content)}}, packed, error)) {
        return false;
    }
    zip_source_t* packedSource = nullptr;
    zip_t* packedArchive =
        NewMemoryArchive(packed.data(), packed.size(), ZIP_RDONLY, packedSource, error);
    if (packedArchive == nullptr) {
        return false;
    }
    // A second archive over the bytes: libzip writes the changed package into its source and
    // copies every untouched member's compressed data as it stands.
    zip_source_t* target = nullptr;
    zip_t* archive = NewMemoryArchive(bytes_.data(), bytes_.size(), 0, target, error);
    bool written = false;
    if (archive != nullptr) {
        const zip_int64_t index = zip_name_locate(archive, name.c_str(), ZIP_FL_NOCASE);
        zip_source_t* member =
            index < 0 ? nullptr
                      : zip_source_zip(archive, packedArchive, 0, ZIP_FL_COMPRESSED, 0, -1);
        if (member != nullptr && zip_file_replace(archive, zip_uint64_t(index), member, 0) == 0) {
            written = Finish(archive, target, out, error);
        } else {
            SetError(error, index < 0
                                ? QStringLiteral("no member %1").arg(QString::fromStdString(name))
                                : ZipErrorText(zip_get_error(archive)));
            zip_source_free(member);
            zip_discard(archive);
            zip_source_free(target);
        }
    }
    zip_discard(packedArchive);
    zip_source_free(packedSource);
    return written;
}

bool ZipPackage::Build(const std::vector<std::pair<std::string, std::string>>& members,
                       std::string& out, QString* error) {
    zip_source_t* target = nullptr;
    zip_t* archive = NewMemoryArchive(nullptr, 0, ZIP_TRUNCATE, target, error);
    if (archive == nullptr) {
        return false;
    }
    for (const auto& [name, content] : members) {
        zip_source_t* member = zip_source_buffer(archive, content.data(), content.size(), 0);
        const zip_int64_t index =
            member == nullptr ? -1 : zip_file_add(archive, name.c_str(), member, ZIP_FL_ENC_UTF_8);
        if (index < 0 || zip_set_file_compression(archive, zip_uint64_t(index), ZIP_CM_DEFLATE,
                                                  kDeflateLevel) != 0) {
            SetError(error, ZipErrorText(zip_get_error(archive)));
            if (member != nullptr && index < 0) {
                zip_source_free(member);
            }
            zip_discard(archive);
            zip_source_free(target);
            return false;
        }
    }
    return Finish(archive, target, out, error);
}

} // namespace tamberlink
