#include "ui/shell/MainPages.h"

#include "store/ContactRecord.h"
#include "ui/calllist/CContactListTemp.h"
#include "ui/calls/CRecordContainer.h"
#include "ui/contacts/CContactContainer.h"
#include "ui/notes/CNotepadContainer.h"
#include "ui/notes/NoteWindows.h"
#include "ui/sms/CSmsContainer.h"
#include "ui/sms/SmsWindows.h"

#include <QStackedWidget>

namespace tamberlink {

namespace {

// Puts `page` in the place of the stack's placeholder at `index`, under its name.
template <class Page>
Page* PutPage(QStackedWidget& stack, int index, Page* page) {
    QWidget* placeholder = stack.widget(index);
    page->setObjectName(placeholder->objectName());
    stack.removeWidget(placeholder);
    delete placeholder;
    stack.insertWidget(index, page);
    return page;
}

} // namespace

MainPages::MainPages(QStackedWidget& stack, AppCore& core)
    : QObject(&stack)
    , stack_(stack)
    , records_(PutPage(stack, kRecords, new CRecordContainer(core)))
    , sms_(PutPage(stack, kSms, new CSmsContainer(core)))
    , contacts_(PutPage(stack, kContacts, new CContactContainer(core)))
    , callList_(PutPage(stack, kCallList, new CContactListTemp(core)))
    , notes_(PutPage(stack, kNotes, new CNotepadContainer(core))) {
    stack.setCurrentIndex(kRecords);
}

void MainPages::Build(SmsWindows& sms, NoteWindows& notes) {
    records_->Build();
    connect(records_, &CRecordContainer::DialRequested, this, &MainPages::DialRequested);
    connect(records_, &CRecordContainer::NoteRequested, &notes, &NoteWindows::OpenForCall);
    connect(records_, &CRecordContainer::AddContactRequested, this,
            &MainPages::AddContactRequested);
    connect(records_, &CRecordContainer::SmsRequested, &sms, &SmsWindows::OpenTo);
    records_->LoadCallLog();

    contacts_->Build();
    connect(contacts_, &CContactContainer::DialRequested, this, &MainPages::DialRequested);
    connect(contacts_, &CContactContainer::SmsRequested, &sms,
            [&sms](const ContactRecord& contact) { sms.OpenTo(contact.name, contact.phone); });
    contacts_->LoadContacts();

    sms_->Build();
    connect(sms_, &CSmsContainer::NewSmsRequested, &sms, [&sms] { sms.OpenNew(); });
    connect(sms_, &CSmsContainer::SmsOpenRequested, &sms, &SmsWindows::OpenFromList);
    connect(sms_, &CSmsContainer::DialRequested, this, &MainPages::DialRequested);
    connect(sms_, &CSmsContainer::NewTemplateRequested, &sms,
            [&sms] { sms.OpenTemplateEditor({}); });
    connect(sms_, &CSmsContainer::TemplateOpenRequested, &sms, &SmsWindows::OpenTemplateEditor);
    sms_->LoadSmsList();

    callList_->Build();
    connect(callList_, &CContactListTemp::SmsRequested, &sms,
            [&sms](const CContactListTemp::Recipients& people) {
                SmsRecipients recipients;
                for (const auto& [name, number] : people) {
                    recipients.push_back({name, number, {}});
                }
                sms.OpenNew(recipients);
            });
    callList_->RestoreWorkbook();

    notes_->Build();
    connect(notes_, &CNotepadContainer::NewNoteRequested, &notes, &NoteWindows::OpenNew);
    connect(notes_, &CNotepadContainer::NoteOpenRequested, &notes, &NoteWindows::Open);
    notes_->LoadNoteList();
}

void MainPages::Select(int page) {
    // The page already shown is not selected again.
    if (stack_.currentIndex() != page) {
        stack_.setCurrentIndex(page);
    }
    if (page != kRecords) {
        records_->CloseKeyboard();
    }
    if (page == kSms) {
        sms_->HideTemplateManager();
    }
}

void MainPages::ReloadCallLog() {
    if (!stopped_) {
        records_->LoadCallLog();
    }
}

void MainPages::CallLogRowsChanged(const std::vector<int>& ids) {
    if (!stopped_) {
        records_->RefreshRows(ids);
    }
}

void MainPages::ReloadContacts() {
    if (!stopped_) {
        contacts_->LoadContacts();
    }
}

void MainPages::ShowAddedContacts(const std::vector<ContactRecord>& contacts) {
    if (!stopped_) {
        contacts_->ShowAddedContacts(contacts);
    }
}

void MainPages::ReloadNoteList() {
    if (!stopped_) {
        notes_->LoadNoteList();
    }
}

void MainPages::NoteRowsChanged(const std::vector<int>& ids) {
    if (!stopped_) {
        notes_->RefreshRows(ids);
    }
}

} // namespace tamberlink
