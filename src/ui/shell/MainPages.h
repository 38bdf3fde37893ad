#pragma once

#include <QObject>

class QStackedWidget;
class QWidget;

namespace tamberlink {

class AppCore;
class CallPopups;
class CContactContainer;
class CContactListTemp;
class CNotepadContainer;
class CRecordContainer;
class CSmsContainer;
class HistoryWindows;
class NoteWindows;
class SmsWindows;

// The main window's five pages in its page stack, in tab order: the call records, the SMS,
// the contacts, the Excel call list and the notes. Each takes the place of its placeholder
// in the stack; the pages ask the area windows for their SMS and note windows, and the main
// window for calls and new contacts.
class MainPages : public QObject {
    Q_OBJECT

public:
    enum Page { kRecords = 0, kSms = 1, kContacts = 2, kCallList = 3, kNotes = 4 };

    // The pages, made in place of the stack's five placeholders.
    MainPages(QStackedWidget& stack, AppCore& core, const CallPopups& calls);

    // Builds the pages, connects their requests and fills them.
    void Build(SmsWindows& sms, NoteWindows& notes);

    // Shows a page; the call records' keypad goes with its page, and the SMS page comes back
    // to its sent SMS.
    void Select(int page);

    // The program is closing: the pages no longer follow the core's tables.
    void Stop();

    CRecordContainer& Records() const { return *records_; }
    CSmsContainer& Sms() const { return *sms_; }
    CContactContainer& Contacts() const { return *contacts_; }
    CContactListTemp& CallList() const { return *callList_; }
    CNotepadContainer& Notes() const { return *notes_; }
    // "号码记录", offered by every row that shows a number; made by Build.
    HistoryWindows& History() const { return *history_; }

signals:
    void DialRequested(const QString& number, bool throughPhone);
    void AddContactRequested(const QString& phone);

private:
    AppCore& core_;
    QStackedWidget& stack_;
    CRecordContainer* records_;
    CSmsContainer* sms_;
    CContactContainer* contacts_;
    CContactListTemp* callList_;
    CNotepadContainer* notes_;
    HistoryWindows* history_ = nullptr;
};

} // namespace tamberlink
