#pragma once

#include "ui/widgets/SkinImage.h"

#include <QString>
#include <QWidget>

class QTimer;

namespace tamberlink {

class WindowImplBase;

// A frame animation: the picture "animateimage" is one horizontal strip of equally wide
// frames, each as wide as the control, shown one after the other every "frametime"
// milliseconds. Without "loop" the animation stops when it would return to frame 0 and
// emits Finished. Skins set the attributes below; the skin class name is "Animate".
class CAnimateUI : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QString animateimage READ GetAnimateImage WRITE SetAnimateImage)
    Q_PROPERTY(QString autostart READ GetAutoStartText WRITE SetAutoStartText)
    Q_PROPERTY(QString loop READ GetLoopText WRITE SetLoopText)
    Q_PROPERTY(int framecount READ GetFrameCount WRITE SetFrameCount)
    Q_PROPERTY(int frametime READ GetFrameTime WRITE SetFrameTime)

public:
    static constexpr int kTimerId = 2023;

    explicit CAnimateUI(QWidget* parent = nullptr);

    // Plays from frame 0; nothing when already playing (the loop flag stays as it was).
    void Start(bool loop);
    // Stops; the control is hidden unless `keepVisible`. Nothing when not playing.
    void Stop(bool keepVisible);
    // Shows frame `index` of the strip; nothing when the strip has no frames.
    void ShowFrame(int index);
    // A tick of the frame timer: only `kTimerId` counts.
    void DoEvent(int timerId);

    bool IsPlaying() const { return playing_; }
    bool IsLoop() const { return loop_; }
    int CurrentFrame() const { return currentFrame_; }
    // The picture drawn now: the strip with the current frame's source rectangle.
    QString GetBkImage() const { return bkImage_; }

    QString GetAnimateImage() const { return animateImage_; }
    void SetAnimateImage(const QString& image);
    int GetFrameCount() const { return frameCount_; }
    void SetFrameCount(int count) { frameCount_ = count; }
    int GetFrameTime() const { return frameTime_; }
    void SetFrameTime(int milliseconds) { frameTime_ = milliseconds; }

signals:
    // An animation without loop has shown its last frame and stopped.
    void Finished();

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    QString GetAutoStartText() const { return autoStart_ ? QStringLiteral("true") : QString(); }
    void SetAutoStartText(const QString& text) { autoStart_ = text == QLatin1String("true"); }
    QString GetLoopText() const { return loop_ ? QStringLiteral("true") : QString(); }
    void SetLoopText(const QString& text) { loop_ = text == QLatin1String("true"); }
    // The window that holds the control; nullptr when none.
    WindowImplBase* Window() const;

    int currentFrame_ = 0;
    int frameCount_ = 0;
    int frameTime_ = 100;
    bool loop_ = false;
    bool autoStart_ = false;
    bool playing_ = false;
    bool initialised_ = false;
    QString animateImage_;
    QString bkImage_;
    SkinImage frame_;
    QTimer* timer_ = nullptr;
};

} // namespace tamberlink
