#include "ui/sms/CSmsEdit.h"

#include "app/AppCore.h"
#include "app/DeviceBridge.h"
#include "ui/widgets/Controls.h"

#include <QLabel>
#include <QTextEdit>

namespace tamberlink {

CSmsEdit::CSmsEdit(QWidget* parent, AppCore& core)
    : SmsComposeBase(parent, core) {}

void CSmsEdit::InitWindow() {
    SetControlText(ui_.labelTitle, windowTitle());
    nameLabel_ = ui_.userName;
    phoneLabel_ = ui_.userPhone;
    timeLabel_ = ui_.LabelTime;
    for (QLabel* label : {nameLabel_, phoneLabel_, timeLabel_}) {
        label->setTextFormat(Qt::PlainText);
    }

    // The earlier SMS, as long as it may be, scrolls in its own box.
    earlier_ = FillWithTextEdit(ui_.ContainerSms, QStringLiteral("EarlierSms"));
    earlier_->setReadOnly(true);
    earlier_->setPlaceholderText(QStringLiteral("还没有发给TA的短信"));

    InitCompose(ui_, ui_.SmsContent, 5);
    connect(ui_.btnSendSms, &QAbstractButton::clicked, this, &CSmsEdit::Send);
}

void CSmsEdit::SetPerson(const QString& name, const QString& phone, const QString& time,
                         const QString& content) {
    name_ = name;
    phone_ = phone;
    const bool onlyNumber = name.isEmpty() || name == phone;
    nameLabel_->setText(onlyNumber ? phone : name);
    phoneLabel_->setText(phone);
    phoneLabel_->setVisible(!onlyNumber);

    QString shownTime = time;
    QString shownContent = content;
    if (shownTime.isEmpty()) {
        const QStringList first = core_.GetFirstSmsTo(phone);
        shownTime = first.value(0);
        shownContent = first.value(1);
    }
    timeLabel_->setText(shownTime);
    earlier_->setPlainText(shownContent);
}

QString CSmsEdit::EarlierSmsTime() const {
    return timeLabel_->text();
}

QString CSmsEdit::EarlierSmsContent() const {
    return earlier_->toPlainText();
}

void CSmsEdit::Send() {
    const SerialLink& link = core_.Device().Link();
    if (!link.IsConnected() || !link.IsPhoneLinked()) {
        core_.ShowTip(QStringLiteral("请先连接设备并开启手机版Tamberlink拨号器，再发送短信"));
        return;
    }
    if (Content().trimmed().isEmpty()) {
        core_.ShowTip(QStringLiteral("发送内容不能为空"));
        return;
    }
    HandOff({phone_});
}

} // namespace tamberlink
