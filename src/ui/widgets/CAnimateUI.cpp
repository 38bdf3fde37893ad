#include "ui/widgets/CAnimateUI.h"

#include "ui/widgets/SkinImage.h"
#include "ui/widgets/WindowImplBase.h"

#include <QEvent>
#include <QPainter>
#include <QTimer>

namespace tamberlink {

CAnimateUI::CAnimateUI(QWidget* parent)
    : QWidget(parent)
    , timer_(new QTimer(this)) {
    connect(timer_, &QTimer::timeout, this, [this] { DoEvent(kTimerId); });
}

void CAnimateUI::SetAnimateImage(const QString& image) {
    if (image == animateImage_) {
        return;
    }
    animateImage_ = image;
    ShowFrame(currentFrame_);
}

WindowImplBase* CAnimateUI::Window() const {
    for (QWidget* w = parentWidget(); w != nullptr; w = w->parentWidget()) {
        if (auto* window = qobject_cast<WindowImplBase*>(w)) {
            return window;
        }
    }
    return nullptr;
}

void CAnimateUI::Start(bool loop) {
    if (playing_) {
        return;
    }
    loop_ = loop;
    playing_ = true;
    setVisible(true);
    if (Window() != nullptr) {
        ShowFrame(0);
        timer_->start(frameTime_);
    }
}

void CAnimateUI::Stop(bool keepVisible) {
    if (!playing_) {
        return;
    }
    playing_ = false;
    timer_->stop();
    if (!keepVisible) {
        setVisible(false);
    }
}

void CAnimateUI::ShowFrame(int index) {
    if (frameCount_ <= 0) {
        return;
    }
    currentFrame_ = index;
    const int w = width();
    frame_ = SkinImage::Parse(animateImage_);
    frame_.source = QRect(QPoint(index * w, 0), QPoint((index + 1) * w - 1, height() - 1));
    bkImage_ = QStringLiteral("%1 source='%2,%3,%4,%5'")
                   .arg(animateImage_)
                   .arg(index * w)
                   .arg(0)
                   .arg((index + 1) * w)
                   .arg(height());
    update();
}

void CAnimateUI::DoEvent(int timerId) {
    if (timerId != kTimerId || frameCount_ <= 0) {
        return;
    }
    const int next = (currentFrame_ + 1) % frameCount_;
    if (next != 0 || loop_) {
        ShowFrame(next);
        return;
    }
    Stop(true);
    emit Finished();
}

bool CAnimateUI::event(QEvent* event) {
    // The control's first polish is its initialisation inside the window.
    if (event->type() == QEvent::Polish && !initialised_) {
        initialised_ = true;
        if (autoStart_) {
            Start(loop_);
        }
    }
    return QWidget::event(event);
}

void CAnimateUI::paintEvent(QPaintEvent*) {
    if (frame_.IsEmpty()) {
        return;
    }
    QPainter painter(this);
    frame_.Draw(painter, rect());
}

} // namespace tamberlink
