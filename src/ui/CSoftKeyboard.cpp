#include "ui/CSoftKeyboard.h"

#include <QAbstractButton>

namespace tamberlink {

CSoftKeyboard::CSoftKeyboard(QWidget* parent)
    : WindowImplBase(parent) {}

QStringList CSoftKeyboard::RequiredControls() const {
    return {QStringLiteral("btnClosed"), QStringLiteral("btnDelete")};
}

void CSoftKeyboard::Notify(const Notification& msg) {
    if (!msg.Is(u"click") || qobject_cast<QAbstractButton*>(msg.sender) == nullptr) {
        return;
    }
    if (msg.SenderNameIs(u"btnClosed")) {
        emit CloseRequested();
    } else if (msg.SenderNameIs(u"btnDelete")) {
        emit Input(QString());
    } else {
        emit Input(msg.SenderText());
    }
}

} // namespace tamberlink
