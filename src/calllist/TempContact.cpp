#include "calllist/TempContact.h"

namespace tamberlink {

TempContact TempContact::FromWorkbook(int row, int status, QString name, QString number,
                                      QString remark) {
    TempContact contact;
    contact.row = row;
    contact.status = status < 1 ? 0 : status;
    contact.name = std::move(name);
    contact.number = std::move(number);
    contact.remark = std::move(remark);
    if (!contact.remark.isEmpty() || contact.status > 1) {
        contact.FillLabel(contact.status >= 2);
    }
    return contact;
}

void TempContact::ShowStatus(int newStatus, const QString& newRemark) {
    if (newStatus == 0) {
        if (newRemark.isEmpty()) {
            return;
        }
        remark = newRemark;
        FillLabel(status >= 1);
        return;
    }
    status = newStatus;
    remark = newRemark;
    if (!remark.isEmpty() || status > 0) {
        FillLabel(status >= 1);
    }
}

void TempContact::FillLabel(bool statusShown) {
    const QString text = statusShown ? StatusText(status) : QString();
    remarkLabel = text.isEmpty() ? QString() : text + QLatin1Char(' ');
    remarkLabel += remark.size() >= 12 ? remark.left(12) + QStringLiteral("...") : remark;
    remarkColor = StatusColor(status);
}

QString TempContact::IndexText() const {
    return QString::number(row + 1);
}

QString TempContact::NameText() const {
    return name.size() > 6 ? name.left(7) + QStringLiteral("...") : name;
}

QString TempContact::StatusText(int status) {
    switch (status) {
    case 0:
        return QStringLiteral("未联系");
    case 1:
        return QStringLiteral("已联系");
    case 2:
        return QStringLiteral("未接通");
    case 3:
        return QStringLiteral("再联系");
    case 4:
        return QStringLiteral("黑名单");
    default:
        return {};
    }
}

std::uint32_t TempContact::StatusColor(int status) {
    return status == 4 ? 0xFF0000 : 0x0099FF;
}

} // namespace tamberlink
