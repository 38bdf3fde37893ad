#include "ui/shell/CTopCall.h"

#include "ui/widgets/Controls.h"

#include <QGuiApplication>
#include <QLineEdit>
#include <QScreen>

namespace tamberlink {

CTopCall::CTopCall(QWidget* parent)
    : WindowImplBase(parent, Qt::Tool | Qt::WindowStaysOnTopHint | Qt::FramelessWindowHint) {}

CTopCall* CTopCall::Offer(const QString& number, const QPoint& globalPos) {
    CTopCall* popup = Instance();
    if (popup == nullptr) {
        popup = new CTopCall();
        if (!popup->Create(QStringLiteral("快捷拨号"))) {
            popup->Close();
            return nullptr;
        }
    }
    popup->SetNumber(number);
    QPoint position = globalPos;
    if (const QScreen* screen = QGuiApplication::screenAt(globalPos)) {
        const QRect area = screen->availableGeometry();
        position.setX(qBound(area.left(), position.x(), area.right() - popup->width()));
        position.setY(qBound(area.top(), position.y(), area.bottom() - popup->height()));
    }
    popup->ShowAt(position);
    return popup;
}

QStringList CTopCall::RequiredControls() const {
    return {QStringLiteral("dlgTitle"),     QStringLiteral("EditPhone"),
            QStringLiteral("ButtonClose"),  QStringLiteral("ButtonTel"),
            QStringLiteral("ButtonMobile"), QStringLiteral("ButtonSMS")};
}

void CTopCall::InitWindow() {
    SetControlText(FindControl(QStringLiteral("labelTitle")), windowTitle());
    edit_ = FindControl<QLineEdit>(QStringLiteral("EditPhone"));
    SetEditBorder(edit_, 1, QColor(0xFFE1E1E1u), QColor(0xFF77C5E5u));
    SetEditPadding(edit_, 5, 5, 0, 5);
    ConnectClicked(QStringLiteral("ButtonClose"), this, &CTopCall::Close);
    ConnectClicked(QStringLiteral("ButtonTel"), this, [this] { Dial(false); });
    ConnectClicked(QStringLiteral("ButtonMobile"), this, [this] { Dial(true); });
    ConnectClicked(QStringLiteral("ButtonSMS"), this, &CTopCall::Text);
}

void CTopCall::SetNumber(const QString& number) {
    if (edit_ != nullptr) {
        edit_->setText(number);
    }
}

QString CTopCall::Number() const {
    return edit_ != nullptr ? edit_->text() : QString();
}

void CTopCall::Dial(bool throughPhone) {
    const QString number = Number();
    Close();
    emit DialRequested(number, throughPhone);
}

void CTopCall::Text() {
    const QString number = Number();
    Close();
    emit SmsRequested(number);
}

} // namespace tamberlink
