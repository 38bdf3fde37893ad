#include "ui/shell/MainPages.h"

#include "app/AppCore.h"
#include "ui/calllist/CContactListTemp.h"
#include "ui/calllist/TempContactModel.h"
#include "ui/calls/CRecordContainer.h"
#include "ui/contacts/CContactContainer.h"
#include "ui/contacts/ContactListModel.h"
#include "ui/history/HistoryMenu.h"
#include "ui/history/HistoryWindows.h"
#include "ui/notes/CNotepadContainer.h"
#include "ui/notes/NoteWindows.h"
#include "ui/sms/CSmsContainer.h"
#include "ui/sms/SmsListModel.h"
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

MainPages::MainPages(QStackedWidget& stack, AppCore& core, const CallPopups& calls)
    : QObject(&stack)
    , core_(core)
    , stack_(stack)
    , records_(PutPage(stack, kRecords, new CRecordContainer(core)))
    , sms_(PutPage(stack, kSms, new CSmsContainer(core)))
    , contacts_(PutPage(stack, kContacts, new CContactContainer(core)))
    , callList_(PutPage(stack, kCallList, new CContactListTemp(core, calls)))
    , notes_(PutPage(stack, kNotes, new CNotepadContainer(core))) {
    stack.setCurrentIndex(kRecords);
}

void MainPages::Build(SmsWindows& sms, NoteWindows& notes) {
    history_ = new HistoryWindows(*stack_.window(), core_);
    records_->Build();
    connect(records_, &CRecordContainer::HistoryRequested, history_, &HistoryWindows::Open);
    connect(&core_.FollowUp(), &FollowUpTracker::Changed, records_,
            &CRecordContainer::FollowUpChanged);
    connect(records_, &CRecordContainer::DialRequested, this, &MainPages::DialRequested);
    connect(records_, &CRecordContainer::NoteRequested, &notes, &NoteWindows::OpenForCall);
    connect(records_, &CRecordContainer::AddContactRequested, this,
            &MainPages::AddContactRequested);
    connect(records_, &CRecordContainer::SmsRequested, &sms, &SmsWindows::OpenTo);
    connect(&core_, &AppCore::CallLogChanged, records_, &CRecordContainer::LoadCallLog);
    connect(&core_, &AppCore::CallLogRowsChanged, records_, &CRecordContainer::RefreshRows);
    records_->LoadCallLog();

    contacts_->Build();
    connect(contacts_, &CContactContainer::DialRequested, this, &MainPages::DialRequested);
    connect(contacts_, &CContactContainer::SmsRequested, &sms,
            [&sms](const ContactRecord& contact) { sms.OpenTo(contact.name, contact.phone); });
    connect(&core_, &AppCore::ContactsChanged, contacts_, &CContactContainer::LoadContacts);
    connect(&core_, &AppCore::ContactsAdded, contacts_, &CContactContainer::ShowAddedContacts);
    contacts_->LoadContacts();
    history_menu::Offer(
        *contacts_->List(),
        [this](int row) -> history_menu::Person {
            const ContactRecord* contact = contacts_->Model().Contact(row);
            return contact != nullptr ? history_menu::Person{contact->phone, contact->name}
                                      : history_menu::Person{};
        },
        *history_);

    sms_->Build();
    connect(sms_, &CSmsContainer::NewSmsRequested, &sms, [&sms] { sms.OpenNew(); });
    connect(sms_, &CSmsContainer::SmsOpenRequested, &sms, &SmsWindows::OpenFromList);
    connect(sms_, &CSmsContainer::DialRequested, this, &MainPages::DialRequested);
    connect(sms_, &CSmsContainer::NewTemplateRequested, &sms,
            [&sms] { sms.OpenTemplateEditor({}); });
    connect(sms_, &CSmsContainer::TemplateOpenRequested, &sms, &SmsWindows::OpenTemplateEditor);
    sms_->LoadSmsList();
    history_menu::Offer(
        *sms_->SmsList(),
        [this](int row) -> history_menu::Person {
            const SmsRecord* entry = sms_->Sms().Entry(row);
            if (entry == nullptr) {
                return {};
            }
            return {entry->phone, entry->name == entry->phone ? QString() : entry->name};
        },
        *history_);

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
    history_menu::Offer(
        *callList_->List(),
        [this](int row) -> history_menu::Person {
            const TempContact* entry = callList_->Model().Entry(row);
            return entry != nullptr ? history_menu::Person{entry->number, entry->name}
                                    : history_menu::Person{};
        },
        *history_);
    callList_->OfferResume();

    notes_->Build();
    connect(notes_, &CNotepadContainer::NewNoteRequested, &notes, &NoteWindows::OpenNew);
    connect(notes_, &CNotepadContainer::NoteOpenRequested, &notes, &NoteWindows::Open);
    connect(&core_, &AppCore::NoteListChanged, notes_, &CNotepadContainer::LoadNoteList);
    connect(&core_, &AppCore::NoteRowsChanged, notes_, &CNotepadContainer::RefreshRows);
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

void MainPages::Stop() {
    core_.FollowUp().disconnect(records_);
    for (QObject* page : std::initializer_list<QObject*>{records_, contacts_, notes_}) {
        core_.disconnect(page);
    }
}

} // namespace tamberlink
