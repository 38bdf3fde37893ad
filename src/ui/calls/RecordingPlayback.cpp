#include "ui/calls/RecordingPlayback.h"

#include "ui/widgets/UiLog.h"

#include <QAudioOutput>
#include <QDir>
#include <QFileInfo>
#include <QMediaPlayer>
#include <QUrl>

namespace tamberlink {

RecordingPlayback::Slot::Slot() = default;
RecordingPlayback::Slot::~Slot() = default;

RecordingPlayback::RecordingPlayback(QString recFolder, QObject* parent)
    : QObject(parent)
    , recFolder_(std::move(recFolder)) {}

RecordingPlayback::~RecordingPlayback() = default;

QString RecordingPlayback::PathOf(const QString& recordGuid) const {
    // An identifier is a plain file name; anything that could leave the folder is refused.
    if (recordGuid.isEmpty() || recordGuid.contains(u'/') || recordGuid.contains(u'\\') ||
        recordGuid.startsWith(u'.')) {
        return {};
    }
    return QDir(recFolder_).filePath(recordGuid + QStringLiteral(".mp3"));
}

void RecordingPlayback::Toggle(int id, const QString& recordGuid) {
    Slot& slot = slots_[id];
    if (slot.active) {
        if (slot.player != nullptr) {
            slot.player->stop();
        }
        slot.active = false;
        emit Changed(id);
        return;
    }
    slot.active = true;
    emit Changed(id);
    Play(id, slot, recordGuid);
}

void RecordingPlayback::Play(int id, Slot& slot, const QString& recordGuid) {
    const QString path = PathOf(recordGuid);
    slot.errorShown = false;
    if (slot.player != nullptr) {
        slot.player->stop();
        slot.player->setSource(QUrl());
    }
    if (path.isEmpty() || !QFileInfo(path).isFile()) {
        Fail(id, slot, QStringLiteral("找不到录音文件：") + QDir::toNativeSeparators(path));
        return;
    }
    if (slot.player == nullptr) {
        slot.player = std::make_unique<QMediaPlayer>();
        slot.output = std::make_unique<QAudioOutput>();
        slot.player->setAudioOutput(slot.output.get());
        QMediaPlayer* player = slot.player.get();
        connect(player, &QMediaPlayer::errorOccurred, this,
                [this, id](QMediaPlayer::Error, const QString& errorText) {
                    const auto it = slots_.find(id);
                    if (it != slots_.end()) {
                        Fail(id, it->second, QStringLiteral("录音文件无法播放：") + errorText);
                    }
                });
        connect(player, &QMediaPlayer::mediaStatusChanged, this,
                [this, id](QMediaPlayer::MediaStatus status) {
                    const auto it = slots_.find(id);
                    if (status == QMediaPlayer::EndOfMedia && it != slots_.end() &&
                        it->second.active) {
                        it->second.active = false;
                        emit Changed(id);
                    }
                });
    }
    qCDebug(lcUi) << "playing" << path;
    slot.player->setSource(QUrl::fromLocalFile(path));
    slot.player->play();
}

void RecordingPlayback::Fail(int id, Slot& slot, const QString& text) {
    // One notice per click, however many errors the player reports for it.
    if (slot.errorShown) {
        return;
    }
    slot.errorShown = true;
    emit Error(text);
    emit Changed(id);
}

bool RecordingPlayback::IsActive(int id) const {
    const auto it = slots_.find(id);
    return it != slots_.end() && it->second.active;
}

bool RecordingPlayback::IsPlaying(int id) const {
    const auto it = slots_.find(id);
    return it != slots_.end() && it->second.player != nullptr &&
           it->second.player->playbackState() == QMediaPlayer::PlayingState;
}

} // namespace tamberlink
