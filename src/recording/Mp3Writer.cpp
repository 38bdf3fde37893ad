#include "recording/Mp3Writer.h"

#include "recording/RecordingLog.h"

#include <QFile>

#include <lame/lame.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace tamberlink {

namespace {

lame_global_flags* MakeEncoder() {
    lame_global_flags* lame = lame_init();
    if (lame == nullptr) {
        return nullptr;
    }
    // Output at the box's own rate: never resampled.
    lame_set_in_samplerate(lame, Mp3Writer::kSampleRate);
    lame_set_out_samplerate(lame, Mp3Writer::kSampleRate);
    lame_set_num_channels(lame, 1);
    lame_set_mode(lame, MONO);
    lame_set_VBR(lame, vbr_off);
    lame_set_brate(lame, Mp3Writer::kBitrateKbps);
    lame_set_bWriteVbrTag(lame, 1);
    if (lame_init_params(lame) < 0) {
        lame_close(lame);
        return nullptr;
    }
    return lame;
}

} // namespace

Mp3Writer::~Mp3Writer() {
    Close();
}

bool Mp3Writer::Open(const QString& path) {
    Close();
    path_ = path;
    writeFailed_ = false;
    const QByteArray name = QFile::encodeName(path);
    fd_ = ::open(name.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd_ < 0) {
        qCWarning(lcRecording, "Cannot create the recording %s: %s", name.constData(),
                  std::strerror(errno));
        return false;
    }
    lame_ = MakeEncoder();
    if (lame_ == nullptr) {
        qCWarning(lcRecording, "Cannot set up the MP3 encoder for %s", name.constData());
        ::close(fd_);
        fd_ = -1;
        ::unlink(name.constData());
        return false;
    }
    qCDebug(lcRecording, "Recording to %s", name.constData());
    return true;
}

bool Mp3Writer::Encode(const std::int16_t* samples, std::size_t count) {
    if (!IsOpen() || writeFailed_) {
        return false;
    }
    if (count == 0) {
        return true;
    }
    if (count > kMaxSamples) {
        count = kMaxSamples;
    }
    // Mono: LAME reads only the first channel's buffer.
    const int size = lame_encode_buffer(lame_, samples, samples, static_cast<int>(count),
                                        output_.data(), static_cast<int>(output_.size()));
    if (size < 0) {
        qCWarning(lcRecording, "The MP3 encoder failed with code %d", size);
        return true;
    }
    return Write(output_.data(), static_cast<std::size_t>(size));
}

bool Mp3Writer::Close() {
    if (!IsOpen()) {
        return true;
    }
    if (!writeFailed_) {
        const int size = lame_encode_flush(lame_, output_.data(), static_cast<int>(output_.size()));
        if (size > 0) {
            Write(output_.data(), static_cast<std::size_t>(size));
        }
    }
    RewriteTagFrame();
    lame_close(lame_);
    lame_ = nullptr;
    bool ok = !writeFailed_;
    if (::close(fd_) != 0) {
        ReportWriteFailure(errno);
        ok = false;
    }
    fd_ = -1;
    qCDebug(lcRecording, "Closed %s", qUtf8Printable(path_));
    return ok;
}

bool Mp3Writer::Write(const unsigned char* bytes, std::size_t count) {
    while (count > 0) {
        const ssize_t written = ::write(fd_, bytes, count);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            ReportWriteFailure(written < 0 ? errno : ENOSPC);
            writeFailed_ = true;
            return false;
        }
        bytes += written;
        count -= static_cast<std::size_t>(written);
    }
    return true;
}

// The encoder began the file with an empty tag frame; now that the frame count is known
// it is replaced in place, which needs no more room on the disk.
void Mp3Writer::RewriteTagFrame() {
    const std::size_t size = lame_get_lametag_frame(lame_, output_.data(), output_.size());
    if (size == 0 || size > output_.size()) {
        return;
    }
    if (::pwrite(fd_, output_.data(), size, 0) != static_cast<ssize_t>(size)) {
        ReportWriteFailure(errno);
        writeFailed_ = true;
    }
}

void Mp3Writer::ReportWriteFailure(int error) {
    qCWarning(lcRecording, "Cannot write the recording %s: %s", qUtf8Printable(path_),
              std::strerror(error));
}

} // namespace tamberlink
