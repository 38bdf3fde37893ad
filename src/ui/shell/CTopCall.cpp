#include "ui/shell/CTopCall.h"

#include "ui/widgets/Controls.h"

#include <QGuiApplication>
#include <QLineEdit>
#include <QScreen>

namespace tamberlink {

CTopCall::CTopCall(QWidget* parent)
    : WindowImplBase(parent, Qt::Tool | Qt::WindowStaysOnTopHint | Qt::FramelessWindowHint) {}

CTopCall* CTopCall::Offer(QPointer<CTopCall>& open, const QString& number,
                          const QPoint& globalPos) {
    CTopCall* popup = IfOpen(open);
    if (popup == nullptr) {
        popup = open = new CTopCall();
        popup->Create(QStringLiteral("快捷拨号"));
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

void CTopCall::InitWindow() {
    SetControlText(ui_.labelTitle, windowTitle());
    edit_ = ui_.EditPhone;
    SetEditBorder(edit_, 1, QColor(0xFFE1E1E1u), QColor(0xFF77C5E5u));
    SetEditPadding(edit_, 5, 5, 0, 5);
    connect(ui_.ButtonClose, &QAbstractButton::clicked, this, &CTopCall::Close);
    connect(ui_.ButtonTel, &QAbstractButton::clicked, this, [this] { Dial(false); });
    connect(ui_.ButtonMobile, &QAbstractButton::clicked, this, [this] { Dial(true); });
    connect(ui_.ButtonSMS, &QAbstractButton::clicked, this, &CTopCall::Text);
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
