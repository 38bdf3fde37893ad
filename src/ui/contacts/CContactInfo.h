#pragma once

#include "store/ContactRecord.h"
#include "ui/widgets/WindowImplBase.h"
#include "ui_dlg_contact_info.h"

class QLabel;
class QLineEdit;

namespace tamberlink {

class AppCore;

// The contact dialog: "PanelDetails" shows a contact read only, and its "ButtonEdit" turns to
// "PanelAdd" filled with the contact to edit it; "PanelAdd" also adds new contacts. Saving
// needs a name and a number; a new contact's phone may hold several numbers separated by
// ';', each stored as a contact of its own. Only one dialog exists: opening another reuses
// it.
class CContactInfo : public WindowImplBase {
    Q_OBJECT

public:
    enum class Mode { Add, Details, Edit };

    // Deleting every contact, for ContactDeleted.
    static constexpr int kAllContacts = -1;

    CContactInfo(QWidget* parent, AppCore& core);

    // A contact was deleted (`id`, or every contact): the dialog closes when it shows or
    // edits it.
    void ContactDeleted(int id);

    void SetTitle(const QString& title);
    // The add panel, empty but for `phone`, to add a contact.
    void ShowAdd(const QString& phone = QString());
    // The details of `contact`, read only.
    void ShowDetails(const ContactRecord& contact);
    // "ButtonEdit": the add panel filled with the contact shown, to edit it.
    void Edit();
    // "ButtonSave": adds or updates the contact and closes; stays open, telling the user, when
    // the name or the number is missing or the contact cannot be stored.
    void Save();

    Mode GetMode() const { return mode_; }
    // The contact shown or edited; an empty record in add mode.
    const ContactRecord& Contact() const { return contact_; }

    QWidget* BuildForm() override { return SetUpForm(ui_); }

protected:
    void InitWindow() override;

private:
    struct Field {
        QLineEdit* edit;
        QLabel* info;
    };
    enum FieldIndex { kName, kPhone, kEmail, kCompany, kHome, kOther, kFieldCount };

    void ShowPanel(Mode mode);
    // The contact's fields, in the edits (add panel) and the labels (details panel).
    void FillEdits(const ContactRecord& contact);
    void FillDetails(const ContactRecord& contact);

    AppCore& core_;
    Mode mode_ = Mode::Add;
    ContactRecord contact_;
    Field fields_[kFieldCount] = {};
    QWidget* panelAdd_ = nullptr;
    QWidget* panelDetails_ = nullptr;
    QLabel* title_ = nullptr;       // "labelTitle"
    QLabel* addTitle_ = nullptr;    // "TitleName"
    QLabel* detailsName_ = nullptr; // "TitleName1"
    QLabel* head_ = nullptr;        // "LabelHead", when the skin has one
    Ui::dlg_contact_info ui_;
};

} // namespace tamberlink
