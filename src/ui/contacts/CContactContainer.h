#pragma once

#include "ui/contacts/CIndexElementItem.h"
#include "ui/contacts/CItemContact.h"
#include "ui/lists/ItemRowDelegate.h"

#include "store/ContactRecord.h"
#include "ui_page_contacts.h"

#include <QPoint>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <memory>

#include <vector>

class QLineEdit;
class QListView;

class QFileDialog;

namespace tamberlink {

// Contact rows, and the index rows of their letters between them.
using ContactListDelegate = ItemRowDelegate<CItemContact, CIndexElementItem>;

class AppCore;
class CButtonUI;
class CContactImport;
class CContactInfo;
class ContactListModel;

// The contacts page: the local contacts grouped under the first letter of their initials,
// with the search box, "添加联系人" and "清空联系人". Under the mouse each contact offers a
// landline call, a call through the phone, an SMS and deletion; a click on it opens its
// details.
class CContactContainer : public QWidget {
    Q_OBJECT

public:
    // Where the contact dialog and the confirmations open inside the main window.
    static constexpr QPoint kDialogPosition{200, 120};
    static constexpr QPoint kTipPosition{180, 200};

    explicit CContactContainer(AppCore& core, QWidget* parent = nullptr);

    // Builds the page from "page_contacts.ui".
    void Build();

    // Every contact, read in the background; the search box is emptied, so that it tells what
    // the list shows.
    void LoadContacts();
    // Searches for the search box's text: every contact when it is empty, else the contacts
    // whose name, number or initials hold it.
    void Search();
    // Puts `keyword` in the search box and searches (the main window's own search box).
    void SearchFor(const QString& keyword);
    // Shows contacts just added at the end of the list, ungrouped until the next fill.
    void ShowAddedContacts(const std::vector<ContactRecord>& contacts);

    // "添加联系人": the contact dialog in add mode.
    void OpenAddDialog();
    // The contact dialog centred over the main window, to add `phone`; nothing while a
    // contact dialog is open.
    void OpenAddForNumber(const QString& phone);
    // The open contact dialog, or nullptr.
    CContactInfo* Card() const;
    // The details of the contact at `row`.
    void OpenDetails(int row);
    // Asks before deleting the contact at `row`, or every contact.
    void ConfirmDelete(int row);
    void ConfirmDeleteAll();
    // Deletes the contact `id` from the list and the database; every contact.
    void DeleteContact(int id);
    void DeleteAllContacts();

    // "导入": a contact file chosen, then what importing it would do, in CContactImport.
    void ChooseImportFile();
    CContactImport* OpenImport(const QString& path);
    // "导出": every contact to a vCard or CSV file chosen; true once written.
    void ChooseExportFile();
    bool ExportTo(const QString& path);

    ContactListModel& Model() { return *model_; }
    ContactListDelegate& Delegate() { return *delegate_; }
    QListView* List() const { return ui_.ListContact; }
    QLineEdit* SearchBox() const { return ui_.EditSerch; }

signals:
    void DialRequested(const QString& number, bool throughPhone);
    void SmsRequested(const tamberlink::ContactRecord& contact);

private:
    void OnButtonReleased(int row, int control);
    // The contact dialog titled `title`: the open one, or a new one.
    CContactInfo* OpenCard(const QString& title, const QPoint& position);

    AppCore& core_;
    ContactListModel* model_ = nullptr;
    ContactListDelegate* delegate_ = nullptr;
    QPointer<CContactInfo> card_;
    QPointer<CContactImport> import_;
    QPointer<QFileDialog> fileDialog_;
    Ui::page_contacts ui_{};
};

} // namespace tamberlink
