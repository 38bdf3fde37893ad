#include "ui/Notification.h"

#include "ui/Controls.h"

namespace tamberlink {

QString Notification::SenderName() const {
    return sender != nullptr ? sender->objectName() : QString();
}

QString Notification::SenderText() const {
    return ControlText(sender);
}

QVariant Notification::SenderTag() const {
    return GetTag(sender);
}

} // namespace tamberlink
