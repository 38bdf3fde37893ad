#include "ui/sms/SmsWindows.h"

#include "store/SmsRecord.h"
#include "store/TemplateRecord.h"
#include "ui/calls/CallPopups.h"
#include "ui/sms/CDialogTemplate.h"
#include "ui/sms/CSmsContainer.h"
#include "ui/sms/CSmsEdit.h"
#include "ui/sms/CSmsNew.h"

namespace tamberlink {

SmsWindows::SmsWindows(QWidget* host, AppCore& core, CSmsContainer& page, const CallPopups& calls)
    : QObject(host)
    , host_(host)
    , core_(core)
    , page_(page)
    , calls_(calls) {}

bool SmsWindows::IsComposing() const {
    return IfOpen(new_) != nullptr || IfOpen(edit_) != nullptr;
}

CSmsNew* SmsWindows::OpenNew(const SmsRecipients& recipients) {
    if (stopped_ || IsComposing()) {
        return nullptr;
    }
    new_ = OpenWindow<CSmsNew>(host_, QStringLiteral("新建短信"), CSmsNew::kPosition, core_,
                               page_.RecentRecipients());
    new_->AddRecipients(recipients);
    return new_;
}

CSmsEdit* SmsWindows::OpenTo(const QString& name, const QString& phone) {
    if (calls_.IsAnyOpen()) {
        return nullptr;
    }
    SmsRecord person;
    person.name = name;
    person.phone = phone;
    return OpenFromList(person);
}

CSmsEdit* SmsWindows::OpenFromList(const SmsRecord& sms) {
    if (stopped_ || IsComposing()) {
        return nullptr;
    }
    edit_ = OpenWindow<CSmsEdit>(host_, QStringLiteral("新建短信"), CSmsEdit::kPosition, core_);
    edit_->SetPerson(sms.name, sms.phone, sms.dateTime, sms.content);
    return edit_;
}

CDialogTemplate* SmsWindows::OpenTemplateEditor(const TemplateRecord& record) {
    if (stopped_ || IfOpen(templateEditor_) != nullptr) {
        return nullptr;
    }
    templateEditor_ = OpenWindow<CDialogTemplate>(host_, QStringLiteral("短信模版"),
                                                  CDialogTemplate::kPosition, core_);
    if (record.id != -1) {
        templateEditor_->SetTemplate(record);
    }
    return templateEditor_;
}

} // namespace tamberlink
