#include "ui/contacts/CContactInfo.h"

#include "app/AppCore.h"
#include "ui/lists/RowPainter.h"
#include "ui/widgets/CButtonUI.h"
#include "ui/widgets/Controls.h"
#include "ui/widgets/SkinImage.h"
#include "util/PhoneNumber.h"

#include <QLabel>
#include <QLineEdit>

#include <algorithm>

namespace tamberlink {

namespace {

using Form = Ui::dlg_contact_info;

// Each field's edit on the add panel and its value on the details panel.
struct FieldControls {
    QLineEdit* Form::*edit;
    QLabel* Form::*info;
};

constexpr FieldControls kFieldControls[] = {
    {&Form::EditName, &Form::InfoName},   {&Form::EditPhone, &Form::InfoPhone},
    {&Form::EditEmail, &Form::InfoEmail}, {&Form::EditCompany, &Form::InfoCompany},
    {&Form::EditHome, &Form::InfoHome},   {&Form::EditOther, &Form::InfoOther},
};

// A phone text holds a number when one of its ';'-separated parts keeps a character once
// blanks, "+86" and "-" are gone.
bool HoldsNumber(const QString& phone) {
    const QStringList parts = phone.split(u';', Qt::SkipEmptyParts);
    return std::any_of(parts.begin(), parts.end(),
                       [](const QString& part) { return !PhoneNumber::Clean(part).isEmpty(); });
}

// A value on one line of its label: cut with "..." when it does not fit, whole in the tip.
void ShowValue(QLabel* label, const QString& value) {
    label->ensurePolished();
    QString line = value;
    line.replace(u'\r', u' ').replace(u'\n', u' ');
    label->setText(label->fontMetrics().elidedText(line, Qt::ElideRight, label->width()));
    label->setToolTip(label->text() != line ? value : QString());
}

} // namespace

CContactInfo::CContactInfo(QWidget* parent, AppCore& core)
    : WindowImplBase(parent)
    , core_(core) {}

void CContactInfo::ContactDeleted(int id) {
    if (mode_ != Mode::Add && (id == kAllContacts || contact_.id == id)) {
        Close();
    }
}

void CContactInfo::InitWindow() {
    SetBkImage(ui_.dlgTitle, QStringLiteral("bgHead.png"));
    panelAdd_ = ui_.PanelAdd;
    panelDetails_ = ui_.PanelDetails;
    for (int i = 0; i < kFieldCount; ++i) {
        fields_[i].edit = ui_.*kFieldControls[i].edit;
        fields_[i].info = ui_.*kFieldControls[i].info;
        fields_[i].info->setTextFormat(Qt::PlainText);
    }
    title_ = ui_.labelTitle;
    addTitle_ = ui_.TitleName;
    detailsName_ = ui_.TitleName1;
    detailsName_->setTextFormat(Qt::PlainText);
    head_ = ui_.LabelHead;
    auto* edit = ui_.ButtonEdit;
    edit->SetNormalImage(QStringLiteral("file='btnEditNomal.png' dest='8,8,22,21'"));
    edit->SetHotImage(QStringLiteral("file='btnEditHot.png' dest='8,8,22,21'"));
    connect(edit, &QAbstractButton::clicked, this, &CContactInfo::Edit);
    connect(ui_.ButtonSave, &QAbstractButton::clicked, this, &CContactInfo::Save);
    connect(ui_.ButtonCancel, &QAbstractButton::clicked, this, &CContactInfo::Close);
    SetTitle(windowTitle());
    ShowAdd();
}

void CContactInfo::SetTitle(const QString& title) {
    setWindowTitle(title);
    title_->setText(title);
}

void CContactInfo::ShowPanel(Mode mode) {
    mode_ = mode;
    panelDetails_->setVisible(mode == Mode::Details);
    panelAdd_->setVisible(mode != Mode::Details);
    addTitle_->setText(mode == Mode::Edit ? QStringLiteral("编辑联系人")
                                          : QStringLiteral("添加联系人"));
    if (mode != Mode::Details) {
        fields_[kName].edit->setFocus();
    }
}

void CContactInfo::ShowAdd(const QString& phone) {
    contact_ = ContactRecord();
    FillEdits(contact_);
    fields_[kPhone].edit->setText(phone);
    ShowPanel(Mode::Add);
}

void CContactInfo::ShowDetails(const ContactRecord& contact) {
    contact_ = contact;
    FillDetails(contact);
    ShowPanel(Mode::Details);
}

void CContactInfo::Edit() {
    FillEdits(contact_);
    ShowPanel(Mode::Edit);
}

void CContactInfo::FillEdits(const ContactRecord& contact) {
    const QString* values[kFieldCount] = {&contact.name,    &contact.phone, &contact.email,
                                          &contact.company, &contact.home,  &contact.other};
    for (int i = 0; i < kFieldCount; ++i) {
        fields_[i].edit->setText(*values[i]);
        fields_[i].edit->setCursorPosition(0);
    }
}

void CContactInfo::FillDetails(const ContactRecord& contact) {
    // Where the number belongs is looked up now: contacts restored from the cloud have none
    // stored.
    const QString values[kFieldCount] = {
        contact.name,  contact.phone + u' ' + core_.GetAttribution(contact.phone),
        contact.email, contact.company,
        contact.home,  contact.other};
    for (int i = 0; i < kFieldCount; ++i) {
        ShowValue(fields_[i].info, values[i]);
    }
    ShowValue(detailsName_, contact.name);
    if (head_ != nullptr) {
        head_->setPixmap(SkinPicture(RowPainter::HeadPicture(contact.head)));
    }
}

void CContactInfo::Save() {
    const QString name = fields_[kName].edit->text();
    const QString phone = fields_[kPhone].edit->text();
    if (name.trimmed().isEmpty() || !HoldsNumber(phone)) {
        core_.ShowTip(QStringLiteral("请填写联系人姓名和手机号再保存"));
        return;
    }
    ContactRecord record(name, phone, contact_.head);
    record.email = fields_[kEmail].edit->text();
    record.company = fields_[kCompany].edit->text();
    record.home = fields_[kHome].edit->text();
    record.other = fields_[kOther].edit->text();
    if (mode_ == Mode::Edit) {
        record.id = contact_.id;
        // The core tells the user when the update fails; what was typed stays for a retry.
        if (!core_.UpdateContact(record)) {
            return;
        }
    } else if (!core_.AddContact(record)) {
        core_.ShowTip(QStringLiteral("添加联系人出错"));
        return;
    }
    Close();
}

} // namespace tamberlink
