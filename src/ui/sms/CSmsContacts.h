#pragma once

#include "ui/sms/SmsRecipient.h"
#include "ui/widgets/WindowImplBase.h"
#include "ui_dlg_contacts.h"

class QLineEdit;
class QListView;

namespace tamberlink {

class AppCore;
class CButtonUI;
class ContactPickerModel;

// "选择联系人", the recipient picker: persons with check boxes. "ButtonSearch", or Return in
// "EditSearch", lists all contacts, or those whose name, number or initials hold the search
// text, in place of what the picker showed; "btnCheckAll" checks or unchecks them all;
// "btnOk" hands on the checked persons and closes. A picker of one person (the contact of a
// note) hands on the person clicked at once instead.
class CSmsContacts : public WindowImplBase {
    Q_OBJECT

public:
    // A dialog inside `parent`, or with `flags` a window of its own.
    CSmsContacts(QWidget* parent, AppCore& core, Qt::WindowFlags flags = {});

    // The persons to choose from.
    void SetEntries(const SmsRecipients& entries);
    // A click on a person chooses that one person; the check-all box goes.
    void SetSingleChoice();
    // All contacts, or those that match the search text, read in the background.
    void Search();
    void ToggleAll();
    SmsRecipients Checked() const;

    ContactPickerModel& Model() { return *model_; }
    QListView* List() const { return list_; }
    QLineEdit* SearchEdit() const { return search_; }

    QString GetWindowClassName() const override { return QStringLiteral("CContactsDlg"); }
    QWidget* BuildForm() override { return SetUpForm(ui_); }

signals:
    void RecipientsChosen(const tamberlink::SmsRecipients& recipients);

protected:
    void InitWindow() override;

private:
    void Choose();

    AppCore& core_;
    ContactPickerModel* model_ = nullptr;
    QListView* list_ = nullptr;
    QLineEdit* search_ = nullptr;
    CButtonUI* checkAll_ = nullptr;
    bool singleChoice_ = false;
    Ui::dlg_contacts ui_;
};

} // namespace tamberlink
