#pragma once

#include <QPointer>
#include <QString>
#include <QVariant>
#include <QWidget>

namespace tamberlink {

// One user event as windows receive it in Notify: the event type ("click",
// "selectchanged", "return", "textchanged", "killfocus", "timer", "windowinit", ...) and
// the control that sent it. Handlers compare types and sender texts without regard to case.
struct Notification {
    QString type;
    QPointer<QWidget> sender;
    int timerId = 0; // for "timer": the id given to WindowImplBase::SetTimer

    bool Is(QStringView eventType) const {
        return type.compare(eventType, Qt::CaseInsensitive) == 0;
    }
    QString SenderName() const;
    QString SenderText() const;
    QVariant SenderTag() const;
    bool SenderNameIs(QStringView name) const {
        return SenderName().compare(name, Qt::CaseInsensitive) == 0;
    }
    bool SenderTextIs(QStringView text) const {
        return SenderText().compare(text, Qt::CaseInsensitive) == 0;
    }
    bool SenderTagIs(QStringView text) const {
        return SenderTag().toString().compare(text, Qt::CaseInsensitive) == 0;
    }
};

} // namespace tamberlink
