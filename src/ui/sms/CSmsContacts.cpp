#include "ui/sms/CSmsContacts.h"

#include "app/AppCore.h"
#include "ui/lists/ItemRowDelegate.h"
#include "ui/sms/ContactPickerModel.h"
#include "ui/sms/RecipientItem.h"
#include "ui/widgets/CButtonUI.h"
#include "ui/widgets/Controls.h"

#include <QLineEdit>
#include <QListView>

namespace tamberlink {

CSmsContacts::CSmsContacts(QWidget* parent, AppCore& core, Qt::WindowFlags flags)
    : WindowImplBase(parent, flags)
    , core_(core)
    , model_(new ContactPickerModel(this)) {}

void CSmsContacts::InitWindow() {
    SetControlText(ui_.labelTitle, windowTitle());
    search_ = ui_.EditSearch;
    SetEditBorder(search_, 1, QColor(0xFFE1E1E1u), QColor(0xFF77C5E5u));
    checkAll_ = ui_.btnCheckAll;
    checkAll_->setCheckable(true);
    checkAll_->SetNormalImage(QStringLiteral("tabBtnUncheck.png"));
    checkAll_->SetSelectedImage(QStringLiteral("tabBtnCheck.png"));
    list_ = ui_.containerParent;
    auto* delegate = ShowRows<ItemRowDelegate<RecipientItem>>(*list_, *model_);
    connect(delegate, &ListRowDelegate::ButtonReleased, this, [this](int row, int) {
        if (!singleChoice_) {
            model_->SetChecked(row, !model_->IsChecked(row));
        } else if (const SmsRecipient* person = model_->Entry(row)) {
            emit RecipientsChosen({*person});
            Close();
        }
    });
    connect(search_, &QLineEdit::returnPressed, this, &CSmsContacts::Search);
    connect(checkAll_, &QAbstractButton::clicked, this, &CSmsContacts::ToggleAll);
    connect(ui_.ButtonSearch, &QAbstractButton::clicked, this, &CSmsContacts::Search);
    connect(ui_.btnOk, &QAbstractButton::clicked, this, &CSmsContacts::Choose);
    connect(ui_.btnCancel, &QAbstractButton::clicked, this, &CSmsContacts::Close);
}

void CSmsContacts::SetEntries(const SmsRecipients& entries) {
    model_->ShowPersons(entries);
    checkAll_->setChecked(false);
}

void CSmsContacts::SetSingleChoice() {
    singleChoice_ = true;
    checkAll_->hide();
}

void CSmsContacts::Search() {
    model_->ReadContacts(core_, search_->text().trimmed());
    checkAll_->setChecked(false);
}

void CSmsContacts::ToggleAll() {
    // The click has already turned the box over: the rows follow it.
    model_->SetAllChecked(checkAll_->isChecked());
}

SmsRecipients CSmsContacts::Checked() const {
    return model_->Checked();
}

void CSmsContacts::Choose() {
    emit RecipientsChosen(Checked());
    Close();
}

} // namespace tamberlink
