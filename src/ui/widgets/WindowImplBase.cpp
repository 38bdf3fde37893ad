#include "ui/widgets/WindowImplBase.h"

#include <QCloseEvent>
#include <QGraphicsDropShadowEffect>
#include <QMouseEvent>
#include <QWindow>

namespace tamberlink {

WindowImplBase::WindowImplBase(QWidget* parent, Qt::WindowFlags flags)
    : QWidget(parent, flags) {
    setAttribute(Qt::WA_StyledBackground);
}

void WindowImplBase::Create(const QString& title) {
    setWindowTitle(title);
    setObjectName(GetWindowClassName());
    form_ = BuildForm();
    setFixedSize(form_->size());
    InitWindow();
}

QString WindowImplBase::GetWindowClassName() const {
    const QString name = QString::fromLatin1(metaObject()->className());
    return name.mid(name.lastIndexOf(u':') + 1);
}

void WindowImplBase::SetCaption(QWidget* caption) {
    if (caption_ != nullptr) {
        caption_->removeEventFilter(this);
    }
    caption_ = caption;
    caption_->installEventFilter(this);
}

void WindowImplBase::ShowAt(const QPoint& position) {
    if (closing_) {
        return;
    }
    if (isWindow()) {
        setAttribute(Qt::WA_ShowWithoutActivating);
    } else if (graphicsEffect() == nullptr) {
        // A dialog inside the main window floats above the page it covers.
        auto* shadow = new QGraphicsDropShadowEffect(this);
        shadow->setBlurRadius(28);
        shadow->setOffset(0, 6);
        shadow->setColor(QColor(20, 40, 80, 70));
        setGraphicsEffect(shadow);
    }
    move(position);
    show();
    raise();
}

void WindowImplBase::Close() {
    if (closing_) {
        return;
    }
    closing_ = true;
    for (QObject* inside : findChildren<QObject*>()) {
        inside->blockSignals(true);
    }
    hide();
    deleteLater();
}

void WindowImplBase::closeEvent(QCloseEvent* event) {
    // The window manager's close button or Alt+F4 closes the window as "btnClosed" would.
    event->ignore();
    OnCloseClicked();
}

void WindowImplBase::StartDrag(const QPoint& globalPos) {
    if (isWindow() && windowHandle() != nullptr && windowHandle()->startSystemMove()) {
        return;
    }
    dragging_ = true;
    dragOffset_ = globalPos - mapToGlobal(QPoint(0, 0));
    caption_->grabMouse();
}

bool WindowImplBase::eventFilter(QObject* watched, QEvent* event) {
    if (watched != caption_ || caption_ == nullptr) {
        return QWidget::eventFilter(watched, event);
    }
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton) {
            StartDrag(mouse->globalPosition().toPoint());
        }
        break;
    }
    case QEvent::MouseMove:
        if (dragging_) {
            const auto* mouse = static_cast<QMouseEvent*>(event);
            QPoint topLeft = mouse->globalPosition().toPoint() - dragOffset_;
            if (!isWindow() && parentWidget() != nullptr) {
                // Dialogs stay inside the main window.
                topLeft = parentWidget()->mapFromGlobal(topLeft);
                const QRect bounds = parentWidget()->rect();
                topLeft.setX(qBound(0, topLeft.x(), qMax(0, bounds.width() - width())));
                topLeft.setY(qBound(0, topLeft.y(), qMax(0, bounds.height() - height())));
            }
            move(topLeft);
        }
        break;
    case QEvent::MouseButtonRelease:
        if (dragging_) {
            dragging_ = false;
            caption_->releaseMouse();
        }
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace tamberlink
