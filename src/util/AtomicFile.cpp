#include "util/AtomicFile.h"

#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace tamberlink {

namespace {

QString ErrnoText(const char* what, int code) {
    return QStringLiteral("%1: %2").arg(QString::fromUtf8(what),
                                        QString::fromLocal8Bit(std::strerror(code)));
}

void SetError(QString* error, const QString& text) {
    if (error != nullptr) {
        *error = text;
    }
}

bool WriteAll(int fd, std::string_view bytes) {
    const char* data = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, data, left);
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        data += written;
        left -= std::size_t(written);
    }
    return true;
}

mode_t CurrentUmask() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return mask;
}

} // namespace

bool AtomicFile::IsReadOnly(const QString& path) {
    struct stat st {};
    const QByteArray native = QFile::encodeName(path);
    if (::stat(native.constData(), &st) != 0) {
        return false;
    }
    return (st.st_mode & 0222) == 0 || ::access(native.constData(), W_OK) != 0;
}

bool AtomicFile::Write(const QString& path, std::string_view bytes, QString* error) {
    const QFileInfo info(path);
    const QByteArray target = QFile::encodeName(info.absoluteFilePath());
    const QByteArray folder = QFile::encodeName(info.absolutePath());

    struct stat old {};
    const bool exists = ::stat(target.constData(), &old) == 0;
    if (exists && !S_ISREG(old.st_mode)) {
        SetError(error, QStringLiteral("not a regular file: %1").arg(path));
        return false;
    }
    if (exists && IsReadOnly(path)) {
        SetError(error, QStringLiteral("the file is read-only: %1").arg(path));
        return false;
    }
    if (::access(folder.constData(), W_OK) != 0) {
        SetError(error, ErrnoText("cannot write into the folder", errno));
        return false;
    }

    // Hidden, and named after the target so that a leftover from a crash is easy to place.
    std::string temp =
        folder.toStdString() + "/." + QFile::encodeName(info.fileName()).toStdString() + ".XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) {
        SetError(error, ErrnoText("cannot create a temporary file", errno));
        return false;
    }
    const auto fail = [&](const char* what) {
        const int code = errno;
        ::close(fd);
        ::unlink(temp.c_str());
        SetError(error, ErrnoText(what, code));
        return false;
    };
    const mode_t mode = exists ? (old.st_mode & 07777) : (0666 & ~CurrentUmask());
    if (::fchmod(fd, mode) != 0) {
        return fail("cannot set the permissions");
    }
    if (exists) {
        // Keeps the group of a shared folder (and, for root, the owner); a refusal is harmless.
        const int kept = ::fchown(fd, geteuid() == 0 ? old.st_uid : uid_t(-1), old.st_gid);
        static_cast<void>(kept);
    }
    if (!WriteAll(fd, bytes)) {
        return fail("cannot write");
    }
    if (::fsync(fd) != 0) {
        return fail("cannot flush to disk");
    }
    if (::close(fd) != 0) {
        const int code = errno;
        ::unlink(temp.c_str());
        SetError(error, ErrnoText("cannot close", code));
        return false;
    }
    if (::rename(temp.c_str(), target.constData()) != 0) {
        const int code = errno;
        ::unlink(temp.c_str());
        SetError(error, ErrnoText("cannot replace the file", code));
        return false;
    }
    // The rename is durable once the folder's entry is on disk.
    const int dir = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return true;
}

} // namespace tamberlink
