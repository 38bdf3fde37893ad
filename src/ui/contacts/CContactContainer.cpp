#include "ui/contacts/CContactContainer.h"

#include "app/AppCore.h"
#include "ui/contacts/CContactImport.h"
#include "ui/contacts/CContactInfo.h"
#include "ui/contacts/ContactListModel.h"
#include "ui/shell/CTipDialog.h"
#include "ui/widgets/CButtonUI.h"
#include "ui/widgets/SkinForm.h"

#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QListView>
#include <QPointer>

namespace tamberlink {

CContactContainer::CContactContainer(AppCore& core, QWidget* parent)
    : QWidget(parent)
    , core_(core)
    , model_(new ContactListModel(this)) {
    model_->SetSource(core_);
}

void CContactContainer::Build() {
    SkinForm::SetUp(ui_, this);
    // Each keystroke searches; a search still being read gives way to the next one.
    connect(ui_.EditSerch, &QLineEdit::textEdited, this, &CContactContainer::Search);
    connect(ui_.EditSerch, &QLineEdit::returnPressed, this, &CContactContainer::Search);
    connect(ui_.ButtonSerch, &QAbstractButton::clicked, this, &CContactContainer::Search);
    connect(ui_.ButtonAdd, &QAbstractButton::clicked, this, &CContactContainer::OpenAddDialog);
    connect(ui_.ButtonDelete, &QAbstractButton::clicked, this,
            &CContactContainer::ConfirmDeleteAll);
    connect(ui_.ButtonImport, &QAbstractButton::clicked, this,
            &CContactContainer::ChooseImportFile);
    connect(ui_.ButtonExport, &QAbstractButton::clicked, this,
            &CContactContainer::ChooseExportFile);

    // Index rows are lower than contact rows.
    delegate_ = ShowRows<ContactListDelegate>(*ui_.ListContact, *model_, false);
    FollowRows(*delegate_, this, &CContactContainer::OnButtonReleased,
               CItemContact::Control::CallTel, &CContactContainer::ConfirmDelete);
}

void CContactContainer::LoadContacts() {
    if (ui_.EditSerch != nullptr) {
        ui_.EditSerch->clear();
    }
    model_->Reload();
}

void CContactContainer::Search() {
    model_->Search(ui_.EditSerch != nullptr ? ui_.EditSerch->text() : QString());
}

void CContactContainer::SearchFor(const QString& keyword) {
    if (ui_.EditSerch != nullptr) {
        ui_.EditSerch->setText(keyword);
    }
    Search();
}

void CContactContainer::ShowAddedContacts(const std::vector<ContactRecord>& contacts) {
    model_->AppendContacts(contacts);
}

CContactInfo* CContactContainer::Card() const {
    return IfOpen(card_);
}

CContactInfo* CContactContainer::OpenCard(const QString& title, const QPoint& position) {
    if (CContactInfo* open = Card()) {
        open->SetTitle(title);
        open->raise();
        return open;
    }
    return card_ = OpenWindow<CContactInfo>(window(), title, position, core_);
}

void CContactContainer::ChooseImportFile() {
    if (fileDialog_ != nullptr) {
        fileDialog_->raise();
        return;
    }
    fileDialog_ =
        new QFileDialog(window(), QStringLiteral("导入联系人"), QString(),
                        QStringLiteral("联系人文件 (*.vcf *.vcard *.csv *.txt);;所有文件 (*)"));
    fileDialog_->setAcceptMode(QFileDialog::AcceptOpen);
    fileDialog_->setFileMode(QFileDialog::ExistingFile);
    fileDialog_->setAttribute(Qt::WA_DeleteOnClose);
    connect(fileDialog_, &QFileDialog::fileSelected, this, &CContactContainer::OpenImport);
    fileDialog_->open();
}

CContactImport* CContactContainer::OpenImport(const QString& path) {
    if (IfOpen(import_) == nullptr) {
        import_ = new CContactImport(window(), core_);
        import_->Create(QStringLiteral("导入联系人"));
        import_->ShowAt(window()->rect().center() - import_->rect().center());
    }
    import_->Preview(path);
    import_->raise();
    return import_;
}

void CContactContainer::ChooseExportFile() {
    if (fileDialog_ != nullptr) {
        fileDialog_->raise();
        return;
    }
    fileDialog_ = new QFileDialog(window(), QStringLiteral("导出联系人"), QString(),
                                  QStringLiteral("vCard (*.vcf);;CSV (*.csv)"));
    fileDialog_->setAcceptMode(QFileDialog::AcceptSave);
    fileDialog_->setDefaultSuffix(QStringLiteral("vcf"));
    fileDialog_->selectFile(QStringLiteral("联系人.vcf"));
    fileDialog_->setAttribute(Qt::WA_DeleteOnClose);
    // The file's kind follows the filter chosen when the name has no suffix of its own.
    connect(fileDialog_, &QFileDialog::filterSelected, fileDialog_,
            [dialog = fileDialog_.data()](const QString& filter) {
                dialog->setDefaultSuffix(filter.startsWith(QLatin1String("CSV"))
                                             ? QStringLiteral("csv")
                                             : QStringLiteral("vcf"));
            });
    connect(fileDialog_, &QFileDialog::fileSelected, this, &CContactContainer::ExportTo);
    fileDialog_->open();
}

bool CContactContainer::ExportTo(const QString& path) {
    int cards = 0;
    QString error;
    if (!core_.ExportContacts(path, {}, &cards, &error)) {
        core_.ShowTip(QStringLiteral("导出失败：%1").arg(error));
        return false;
    }
    core_.ShowTip(
        QStringLiteral("已导出 %1 张名片到 %2").arg(cards).arg(QDir::toNativeSeparators(path)));
    return true;
}

void CContactContainer::OpenAddDialog() {
    OpenCard(QStringLiteral("添加联系人"), kDialogPosition)->ShowAdd();
}

void CContactContainer::OpenAddForNumber(const QString& phone) {
    if (Card() == nullptr) {
        CContactInfo* dialog = OpenCard(QStringLiteral("添加联系人"), QPoint());
        dialog->ShowAdd(phone);
        dialog->ShowAt(window()->rect().center() - dialog->rect().center());
    }
}

void CContactContainer::OpenDetails(int row) {
    const ContactRecord* contact = model_->Contact(row);
    if (contact == nullptr) {
        return;
    }
    OpenCard(QStringLiteral("联系人详情"), kDialogPosition)->ShowDetails(*contact);
}

void CContactContainer::ConfirmDelete(int row) {
    const ContactRecord* contact = model_->Contact(row);
    if (contact == nullptr) {
        return;
    }
    // The contact is known by its id: the list may change before the answer comes.
    const int id = contact->id;
    AskOnPage(this, QStringLiteral("您确定删除联系人《") + contact->name + QStringLiteral("》吗？"),
              [this, id] { DeleteContact(id); });
}

void CContactContainer::ConfirmDeleteAll() {
    QPointer<CContactContainer> page(this);
    const QString title = QStringLiteral("删除联系人");
    OpenWindow<CTipDialog>(
        window(), title, kTipPosition, QStringLiteral("您确定清空本地联系人吗？"),
        [page] {
            if (page != nullptr) {
                page->DeleteAllContacts();
            }
        },
        title);
}

void CContactContainer::DeleteContact(int id) {
    model_->RemoveContactById(id);
    core_.DeleteContact(id);
    if (CContactInfo* card = Card()) {
        card->ContactDeleted(id);
    }
}

void CContactContainer::DeleteAllContacts() {
    // The list empties at once, whatever the database takes.
    if (ui_.EditSerch != nullptr) {
        ui_.EditSerch->clear();
    }
    model_->Fill({}, false);
    core_.DeleteAllContacts();
    if (CContactInfo* card = Card()) {
        card->ContactDeleted(CContactInfo::kAllContacts);
    }
}

void CContactContainer::OnButtonReleased(int row, int control) {
    const ContactRecord* found = model_->Contact(row);
    if (found == nullptr) {
        return;
    }
    // A copy: what the button sets off may change the list.
    const ContactRecord contact = *found;
    switch (CItemContact::Control(control)) {
    case CItemContact::Control::CallTel:
        emit DialRequested(contact.phone, false);
        break;
    case CItemContact::Control::CallMobile:
        emit DialRequested(contact.phone, true);
        break;
    case CItemContact::Control::Sms:
        emit SmsRequested(contact);
        break;
    case CItemContact::Control::Delete:
        ConfirmDelete(row);
        break;
    case CItemContact::Control::Item:
        OpenDetails(row);
        break;
    case CItemContact::Control::None:
        break;
    }
}

} // namespace tamberlink
