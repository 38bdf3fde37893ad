#pragma once

#include <QString>

#include <string_view>

namespace tamberlink {

// Replaces a file's contents all at once: the bytes go to a temporary file in the same folder,
// which is flushed to disk and renamed over the target, and the folder is synced. Whatever
// happens meanwhile (a full disk, a crash, a kill), the target holds either its old contents
// or the new ones. An existing target keeps its permission bits.
class AtomicFile {
public:
    // False, with the target untouched and `error` set, when the file or its folder cannot
    // be written (read-only file, missing folder, disk full, ...).
    static bool Write(const QString& path, std::string_view bytes, QString* error = nullptr);

    // A file that exists but has no write permission for anyone (or not for us): saving over
    // it would go against the user's intent even where the folder allows the rename.
    static bool IsReadOnly(const QString& path);
};

} // namespace tamberlink
