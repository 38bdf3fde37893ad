#pragma once

#include <QObject>
#include <QString>

#include <map>
#include <memory>

class QAudioOutput;
class QMediaPlayer;

namespace tamberlink {

// Plays the recordings of call-log entries: each entry that has been played owns its own
// player, so several can play at once. The play button of an entry shows its stop picture
// from a click on play (also when the file cannot be played) until a click on stop or the
// end of the recording.
class RecordingPlayback : public QObject {
    Q_OBJECT

public:
    // `recFolder` holds the recordings, "<guid>.mp3".
    explicit RecordingPlayback(QString recFolder, QObject* parent = nullptr);
    ~RecordingPlayback() override;

    // The play button of entry `id` was clicked: plays its recording `recordGuid` from the
    // start, or stops it when its button shows the stop picture.
    void Toggle(int id, const QString& recordGuid);
    // The play button of entry `id` shows its stop picture.
    bool IsActive(int id) const;
    // The player of entry `id` is playing now.
    bool IsPlaying(int id) const;
    // Stops and drops the players of entries for which `exists` is false.
    template <class Exists>
    void Forget(Exists exists) {
        for (auto it = slots_.begin(); it != slots_.end();) {
            it = exists(it->first) ? std::next(it) : slots_.erase(it);
        }
    }

    QString PathOf(const QString& recordGuid) const;

signals:
    // The button of entry `id` changes its picture.
    void Changed(int id);
    // A recording cannot be played; the text is for the user.
    void Error(const QString& text);

private:
    struct Slot {
        Slot();
        ~Slot();
        // The player goes first, before the output it plays to.
        std::unique_ptr<QAudioOutput> output;
        std::unique_ptr<QMediaPlayer> player;
        bool active = false;
        bool errorShown = false;
    };

    void Play(int id, Slot& slot, const QString& recordGuid);
    void Fail(int id, Slot& slot, const QString& text);

    QString recFolder_;
    std::map<int, Slot> slots_;
};

} // namespace tamberlink
