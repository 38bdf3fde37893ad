#include "RecordsTestSupport.h"

#include "recording/Mp3Writer.h"

#include <QDir>

#include <cmath>
#include <vector>

namespace tamberlink::test {

CoreFixture::CoreFixture()
    : core_(std::make_unique<AppCore>(
          AppConfig{docs_.path(), QString::fromUtf8(TAMBERLINK_BIN_DIR "/Data")}, *this)) {
    QObject::connect(core_.get(), &AppCore::CallLogChanged, core_.get(), [this] {
        if (onReloadCallLog) {
            onReloadCallLog();
        }
    });
    QObject::connect(core_.get(), &AppCore::CallLogRowsChanged, core_.get(),
                     [this](const std::vector<int>& ids) {
                         if (onCallLogRows) {
                             onCallLogRows(ids);
                         }
                     });
    core_->Start();
}

CoreFixture::~CoreFixture() {
    core_->Shutdown();
}

QString CoreFixture::RecFolder() const {
    return QDir(core_->DataRoot()).filePath(QStringLiteral("Rec"));
}

bool CoreFixture::WriteRecording(const QString& guid, int milliseconds) const {
    Mp3Writer writer;
    if (!writer.Open(QDir(RecFolder()).filePath(guid + QStringLiteral(".mp3")))) {
        return false;
    }
    const int total = Mp3Writer::kSampleRate * milliseconds / 1000;
    std::vector<std::int16_t> samples(Mp3Writer::kMaxSamples);
    for (int done = 0; done < total;) {
        const int count = std::min<int>(total - done, int(samples.size()));
        for (int i = 0; i < count; ++i) {
            samples[size_t(i)] =
                std::int16_t(8000 * std::sin(2 * M_PI * 440 * (done + i) / Mp3Writer::kSampleRate));
        }
        if (!writer.Encode(samples.data(), size_t(count))) {
            return false;
        }
        done += count;
    }
    return writer.Close();
}

} // namespace tamberlink::test
