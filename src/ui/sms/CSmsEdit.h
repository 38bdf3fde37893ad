#pragma once

#include "ui/sms/SmsComposeBase.h"
#include "ui_dlg_sms_edit.h"

class QLabel;
class QTextEdit;

namespace tamberlink {

// "新建短信" to one person: the name and number ("userName", "userPhone"), an SMS sent to
// them before ("LabelTime", "ContainerSms"), and the content editor ("SmsContent").
// "btnSendSms" hands the SMS off once the box and the phone are there. Exists at most once.
class CSmsEdit : public SmsComposeBase {
    Q_OBJECT

public:
    static constexpr QPoint kPosition{100, 50};

    CSmsEdit(QWidget* parent, AppCore& core);

    // The person, and the SMS shown above the editor: `time` and `content`, or, when `time`
    // is empty, the first SMS sent to the number, if any. A name that is the number itself
    // (or none) shows the number alone.
    void SetPerson(const QString& name, const QString& phone, const QString& time = {},
                   const QString& content = {});
    QString Name() const { return name_; }
    QString Phone() const { return phone_; }
    QString EarlierSmsTime() const;
    QString EarlierSmsContent() const;

    // "btnSendSms".
    void Send();

    QString GetWindowClassName() const override { return QStringLiteral("CNewSmsDlg"); }
    QWidget* BuildForm() override { return SetUpForm(ui_); }

protected:
    void InitWindow() override;

private:
    QString name_;
    QString phone_;
    QLabel* nameLabel_ = nullptr;
    QLabel* phoneLabel_ = nullptr;
    QLabel* timeLabel_ = nullptr;
    QTextEdit* earlier_ = nullptr;
    Ui::dlg_sms_edit ui_;
};

} // namespace tamberlink
