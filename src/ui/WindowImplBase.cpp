#include "ui/WindowImplBase.h"

#include "ui/Controls.h"
#include "ui/SkinLoader.h"
#include "ui/UiLog.h"

#include <QAbstractButton>
#include <QCloseEvent>
#include <QGraphicsDropShadowEffect>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QTimer>
#include <QWindow>

namespace tamberlink {

namespace {
constexpr const char* kHookedProperty = "notifyHooked";
}

WindowImplBase::WindowImplBase(QWidget* parent, Qt::WindowFlags flags)
    : QWidget(parent, flags) {
    setAttribute(Qt::WA_StyledBackground);
}

bool WindowImplBase::Create(const QString& title) {
    setWindowTitle(title);
    setObjectName(GetWindowClassName());
    form_ = SkinLoader::Load(GetSkinFile(), this, [this](const QString& className, QWidget* p) {
        return CreateControl(className, p);
    });
    if (form_ == nullptr) {
        return false;
    }
    QStringList missing;
    for (const QString& name : RequiredControls()) {
        if (FindControl(name) == nullptr) {
            missing << name;
        }
    }
    if (!missing.isEmpty()) {
        qCWarning(lcUi) << GetSkinFile() << "lacks the controls" << missing;
        delete form_;
        form_ = nullptr;
        return false;
    }
    setFixedSize(form_->size());
    for (QWidget* control : form_->findChildren<QWidget*>()) {
        HookControl(control);
    }
    caption_ = FindControl(CaptionName());
    if (caption_ != nullptr) {
        caption_->installEventFilter(this);
    }
    InitWindow();
    SendNotify(this, QStringLiteral("windowinit"));
    return true;
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
    for (QTimer* timer : std::as_const(timers_)) {
        timer->stop();
    }
    hide();
    deleteLater();
}

QWidget* WindowImplBase::FindControl(const QString& name) const {
    if (form_ == nullptr || name.isEmpty()) {
        return nullptr;
    }
    if (form_->objectName() == name) {
        return form_;
    }
    return form_->findChild<QWidget*>(name);
}

void WindowImplBase::HookControl(QWidget* control) {
    if (control == nullptr || control->property(kHookedProperty).toBool()) {
        return;
    }
    control->setProperty(kHookedProperty, true);
    if (auto* button = qobject_cast<QAbstractButton*>(control)) {
        connect(button, &QAbstractButton::clicked, this,
                [this, button] { SendNotify(button, QStringLiteral("click")); });
        if (button->isCheckable()) {
            connect(button, &QAbstractButton::toggled, this,
                    [this, button] { SendNotify(button, QStringLiteral("selectchanged")); });
        }
        return;
    }
    if (auto* edit = qobject_cast<QLineEdit*>(control)) {
        connect(edit, &QLineEdit::returnPressed, this,
                [this, edit] { SendNotify(edit, QStringLiteral("return")); });
        connect(edit, &QLineEdit::textChanged, this,
                [this, edit] { SendNotify(edit, QStringLiteral("textchanged")); });
        edit->installEventFilter(this);
        return;
    }
    if (auto* rich = qobject_cast<QTextEdit*>(control)) {
        connect(rich, &QTextEdit::textChanged, this,
                [this, rich] { SendNotify(rich, QStringLiteral("textchanged")); });
        rich->installEventFilter(this);
        return;
    }
    if (auto* plain = qobject_cast<QPlainTextEdit*>(control)) {
        connect(plain, &QPlainTextEdit::textChanged, this,
                [this, plain] { SendNotify(plain, QStringLiteral("textchanged")); });
        plain->installEventFilter(this);
    }
}

void WindowImplBase::SendNotify(QWidget* sender, const QString& type, int timerId) {
    if (closing_) {
        return;
    }
    Notification msg;
    msg.type = type;
    msg.sender = sender;
    msg.timerId = timerId;
    Notify(msg);
}

void WindowImplBase::SetTimer(QWidget* control, int id, int milliseconds) {
    if (closing_) {
        return;
    }
    const auto key = qMakePair(control, id);
    QTimer* timer = timers_.value(key);
    if (timer == nullptr) {
        timer = new QTimer(this);
        timers_.insert(key, timer);
        const QPointer<QWidget> target(control);
        connect(timer, &QTimer::timeout, this, [this, target, id] {
            if (target != nullptr) {
                SendNotify(target, QStringLiteral("timer"), id);
            }
        });
    }
    timer->start(milliseconds);
}

void WindowImplBase::KillTimer(QWidget* control, int id) {
    if (QTimer* timer = timers_.take(qMakePair(control, id))) {
        timer->stop();
        timer->deleteLater();
    }
}

QWidget* WindowImplBase::CreateControl(const QString&, QWidget*) {
    return nullptr;
}

void WindowImplBase::Notify(const Notification& msg) {
    if (msg.Is(u"click") && msg.SenderNameIs(u"btnClosed")) {
        Close();
    }
}

void WindowImplBase::closeEvent(QCloseEvent* event) {
    // The window manager's close button or Alt+F4 closes the window as "btnClosed" would.
    event->ignore();
    Close();
}

void WindowImplBase::StartDrag(QWidget* caption, const QPoint& globalPos) {
    if (isWindow() && windowHandle() != nullptr && windowHandle()->startSystemMove()) {
        return;
    }
    dragging_ = true;
    dragOffset_ = globalPos - mapToGlobal(QPoint(0, 0));
    caption->grabMouse();
}

bool WindowImplBase::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusOut && watched != caption_) {
        if (auto* control = qobject_cast<QWidget*>(watched)) {
            SendNotify(control, QStringLiteral("killfocus"));
        }
    } else if (watched == caption_ && caption_ != nullptr) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        switch (event->type()) {
        case QEvent::MouseButtonPress:
            if (mouse->button() == Qt::LeftButton) {
                StartDrag(caption_, mouse->globalPosition().toPoint());
            }
            break;
        case QEvent::MouseMove:
            if (dragging_) {
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
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace tamberlink
