#pragma once

#include "ui/sms/SmsRecipient.h"

#include <QObject>
#include <QPointer>

class QWidget;

namespace tamberlink {

class AppCore;
class CallPopups;
class CDialogTemplate;
class CSmsContainer;
class CSmsEdit;
class CSmsNew;
struct SmsRecord;
struct TemplateRecord;

// Opens the windows that write an SMS, and the template editor, over the main window and
// keeps track of them: one window writes an SMS at a time; while one is open the others
// are refused (nullptr), as they are once the program is closing.
class SmsWindows : public QObject {
    Q_OBJECT

public:
    // `page`, the SMS page, offers the persons of its sent SMS to a new one.
    // While one of `calls` is open, SMS to a person are refused.
    SmsWindows(QWidget* host, AppCore& core, CSmsContainer& page, const CallPopups& calls);

    // A new SMS, with tiles for `recipients`.
    CSmsNew* OpenNew(const SmsRecipients& recipients = {});
    // An SMS to one person (the SMS buttons of the call log, the contacts and the quick dial),
    // refused while a call popup is open.
    CSmsEdit* OpenTo(const QString& name, const QString& phone);
    // An SMS to the person of a sent SMS, showing that SMS.
    CSmsEdit* OpenFromList(const SmsRecord& sms);
    // The template editor, for `record` or, with id -1, a new template; nullptr while one is
    // open.
    CDialogTemplate* OpenTemplateEditor(const TemplateRecord& record);
    bool IsComposing() const;

    // The program is closing: nothing opens any more.
    void Stop() { stopped_ = true; }

private:
    QWidget* host_;
    AppCore& core_;
    CSmsContainer& page_;
    const CallPopups& calls_;
    QPointer<CSmsNew> new_;
    QPointer<CSmsEdit> edit_;
    QPointer<CDialogTemplate> templateEditor_;
    bool stopped_ = false;
};

} // namespace tamberlink
