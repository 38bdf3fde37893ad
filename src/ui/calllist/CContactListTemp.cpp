#include "ui/calllist/CContactListTemp.h"

#include "app/AppCore.h"
#include "app/DeviceBridge.h"
#include "dialler/PowerDialler.h"
#include "ui/calllist/CDialCampaign.h"
#include "ui/calllist/CDialogTempContact.h"
#include "ui/calllist/CImportExcel.h"
#include "ui/calllist/CTempMenu.h"
#include "ui/calllist/TempContactModel.h"
#include "ui/calls/CallPopups.h"
#include "ui/shell/CTipDialog.h"
#include "ui/widgets/CButtonUI.h"
#include "ui/widgets/SkinForm.h"

#include <QCheckBox>
#include <QCursor>
#include <QDateTime>
#include <QFileDialog>
#include <QListView>

namespace tamberlink {

CContactListTemp::CContactListTemp(AppCore& core, const CallPopups& calls, QWidget* parent)
    : QWidget(parent)
    , core_(core)
    , calls_(calls)
    , contacts_(TempContactList::IniPathFor(core.DataRoot()))
    , model_(new TempContactModel(this)) {}

CContactListTemp::~CContactListTemp() {
    CloseRowWindows();
}

void CContactListTemp::Build() {
    SkinForm::SetUp(ui_, this);
    connect(ui_.ButtonInport, &QAbstractButton::clicked, this, &CContactListTemp::OpenImportDialog);
    connect(ui_.ButtonSend, &QAbstractButton::clicked, this, &CContactListTemp::SendSmsToSelected);
    connect(ui_.btnCheckAll, &QAbstractButton::clicked, this, &CContactListTemp::ToggleSelectAll);
    connect(ui_.ButtonCampaign, &QAbstractButton::clicked, this, &CContactListTemp::OpenCampaign);
    connect(&core_.Dialler(), &PowerDialler::CellsWritten, this,
            &CContactListTemp::ShowCampaignCells);

    delegate_ = ShowRows<TempContactDelegate>(*ui_.ListContactTemp, *model_);
    FollowRows(*delegate_, this, &CContactListTemp::OnButtonReleased,
               CItemContactTemp::Control::CallTel);
    ShowItems();
}

void CContactListTemp::ShowItems() {
    // A dialog or menu opened for a row would act on whatever the row holds now.
    CloseRowWindows();
    model_->Load(contacts_.Items());
    if (ui_.btnCheckAll != nullptr) {
        ui_.btnCheckAll->setChecked(false);
    }
}

void CContactListTemp::ShowItem(int row) {
    const int index = contacts_.IndexOfRow(row);
    if (index >= 0) {
        model_->Replace(index, contacts_.Items()[std::size_t(index)]);
    }
}

bool CContactListTemp::LoadWorkbook(const QString& path) {
    if (!contacts_.LoadWorkbook(path)) {
        return false;
    }
    ShowItems();
    return true;
}

QString CContactListTemp::NoticeText(TempContactList::Notice notice, const QString& copyName) {
    using Notice = TempContactList::Notice;
    const QString copied = QStringLiteral("xls表格无法直接写入，状态和备注已保存到新表格：%1");
    switch (notice) {
    case Notice::None:
        return {};
    case Notice::EmptyColumns:
        return QStringLiteral("请先填写名字和号码所在列编号");
    case Notice::BadColumns:
        return QStringLiteral("输入错误的联系人和号码所在列");
    case Notice::CannotWrite:
        return QStringLiteral("写入表格失败，请关闭文件再重新保存");
    case Notice::RowsMoved:
        return QStringLiteral("表格中的行已有增删，联系人列表已重新读取，请核对后再试");
    case Notice::SaveFailed:
        return QStringLiteral("备注失败，请在使用期间关闭打开的EXCEL文件");
    case Notice::RemarkTooLong:
        return QStringLiteral("备注太长，一个单元格最多容纳32767个字符");
    case Notice::Copied:
        return copied.arg(copyName);
    case Notice::CopiedPlainly:
        return copied.arg(copyName) +
               QStringLiteral(
                   "。新表格保留了所有工作表、数值、日期和合并单元格，但没有保留字体、"
                   "颜色、边框等格式和公式（只保留计算结果）；安装LibreOffice后可完整保留");
    }
    return {};
}

bool CContactListTemp::RestoreWorkbook() {
    if (!contacts_.RestoreWorkbook()) {
        return false;
    }
    ShowItems();
    return true;
}

bool CContactListTemp::ImportWorkbook(const QString& nameColumn, const QString& numberColumn) {
    const TempContactList::ImportResult result =
        contacts_.ImportWorkbook(nameColumn, numberColumn, [this] { return ChooseWorkbook(); });
    if (result.notice != TempContactList::Notice::None) {
        core_.ShowTip(NoticeText(result.notice));
        return false;
    }
    if (result.loaded) {
        ShowItems();
    } else if (result.chosen) {
        core_.ShowTip(NoticeCannotRead());
    }
    return true;
}

QString CContactListTemp::ChooseWorkbook() {
    QFileDialog dialog(window(), QStringLiteral("选择Excel表格"));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    const QStringList filters = {QStringLiteral("All (*.*)"), QStringLiteral("Xls (*.xls)"),
                                 QStringLiteral("Xlsx (*.xlsx)")};
    dialog.setNameFilters(filters);
    dialog.selectNameFilter(filters.front());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return {};
    }
    return dialog.selectedFiles().constFirst();
}

TempContactList::UpdateResult CContactListTemp::UpdateTempContact(int row, int status,
                                                                  const QString& remark) {
    const TempContactList::UpdateResult result = contacts_.UpdateTempContact(row, status, remark);
    if (result.Ok()) {
        ShowItem(row);
    } else if (result.outcome == TempContactList::Outcome::RowMoved) {
        // The list was read again to match the workbook.
        ShowItems();
    }
    if (result.notice != TempContactList::Notice::None) {
        core_.ShowTip(NoticeText(result.notice, result.copyName));
    }
    return result;
}

bool CContactListTemp::SaveRemark(int row, int status, const QString& remark) {
    using Outcome = TempContactList::Outcome;
    const int index = contacts_.IndexOfRow(row);
    const QString number = index >= 0 ? contacts_.Items()[std::size_t(index)].number : QString();
    const Outcome outcome = UpdateTempContact(row, status, remark).outcome;
    // A number marked 黑名单 in a call list is on the do-not-call list from now on.
    if (status == int(DialOutcome::DoNotCall) &&
        (outcome == Outcome::Saved || outcome == Outcome::SavedToCopy) && !number.isEmpty()) {
        core_.Database().DoNotCall().Add({number,
                                          QStringLiteral("黑名单 ") + contacts_.WorkbookPath(),
                                          QDateTime::currentSecsSinceEpoch()});
    }
    // A workbook that could not be written may be written once it is closed elsewhere: the
    // dialog stays with its text. A row that is gone takes nothing more.
    return outcome != Outcome::CannotOpen && outcome != Outcome::SaveFailed &&
           outcome != Outcome::RemarkTooLong;
}

void CContactListTemp::ShowCampaignCells(int row, int status, const QString& remark) {
    // Another workbook's campaign leaves this list alone.
    if (sender() == &core_.Dialler() &&
        core_.Dialler().List().WorkbookPath() == contacts_.WorkbookPath() &&
        contacts_.ShowCells(row, status, remark)) {
        ShowItem(row);
    }
}

CDialCampaign* CContactListTemp::OpenCampaign() {
    if (CDialCampaign* open = IfOpen(campaign_)) {
        open->raise();
        return open;
    }
    PowerDialler& dialler = core_.Dialler();
    if (!dialler.IsRunning() && contacts_.Items().empty()) {
        core_.ShowTip(QStringLiteral("请先导入Excel表格"));
        return nullptr;
    }
    std::vector<int> checked;
    for (int index : model_->CheckedRows()) {
        checked.push_back(model_->Entry(index)->row);
    }
    campaign_ =
        OpenWindow<CDialCampaign>(window(), CDialCampaign::Title(), CDialCampaign::kPosition, core_,
                                  contacts_, std::move(checked));
    return campaign_;
}

void CContactListTemp::OfferResume() {
    PowerDialler& dialler = core_.Dialler();
    if (dialler.IsRunning() || !dialler.HasSaved()) {
        return;
    }
    // Declined, it stays saved: the next start asks again, and a new campaign replaces it.
    AskOnPage(this, QStringLiteral("上次的连续拨号还没有完成，是否从中断的地方继续？"), [this] {
        if (core_.Dialler().Resume(TempContactList::IniPathFor(core_.DataRoot()))) {
            OpenCampaign();
        }
    });
}

void CContactListTemp::ShowStatus(int row, int status) {
    if (contacts_.ShowStatus(row, status)) {
        ShowItem(row);
    }
}

void CContactListTemp::ToggleSelectAll() {
    if (ui_.btnCheckAll == nullptr) {
        return;
    }
    if (model_->EntryCount() == 0) {
        ui_.btnCheckAll->setChecked(true);
        return;
    }
    // The click has already turned the box over: the rows follow it.
    model_->SetAllChecked(ui_.btnCheckAll->isChecked());
}

void CContactListTemp::SendSmsToSelected() {
    Recipients recipients;
    for (int index : model_->CheckedRows()) {
        const TempContact* contact = model_->Entry(index);
        recipients.emplace_back(contact->name, contact->number);
    }
    if (recipients.empty()) {
        core_.ShowTip(NoticeNoneChecked());
        return;
    }
    if (calls_.IsAnyOpen()) {
        return;
    }
    emit SmsRequested(recipients);
    // Handed over: the next SMS starts from no one rather than from everyone.
    model_->SetAllChecked(false);
    if (ui_.btnCheckAll != nullptr) {
        ui_.btnCheckAll->setChecked(false);
    }
}

bool CContactListTemp::DialItem(int index, bool throughPhone) {
    const TempContact* shown = model_->Entry(index);
    if (shown == nullptr) {
        return false;
    }
    // A copy: the call opens its popup and may change the list.
    const TempContact contact = *shown;
    if (core_.IsDoNotCall(contact.number)) {
        AskOnPage(this, QStringLiteral("该号码在免打扰名单中，仍要拨打吗？"),
                  [this, contact, throughPhone] { DialContact(contact, throughPhone, true); });
        return false;
    }
    return DialContact(contact, throughPhone, false);
}

bool CContactListTemp::DialContact(const TempContact& contact, bool throughPhone,
                                   bool confirmedListed) {
    // Marked once the call has gone out, not before: a box that is gone calls nobody.
    QPointer<CContactListTemp> self(this);
    return core_.Device().Calls().DialWithName(
        contact.name, contact.number, throughPhone,
        [self, row = contact.row] {
            if (self != nullptr) {
                self->UpdateTempContact(row, 1, {});
            }
        },
        confirmedListed);
}

void CContactListTemp::SendSmsToItem(int index) {
    const TempContact* contact = model_->Entry(index);
    if (contact != nullptr && !calls_.IsAnyOpen()) {
        emit SmsRequested({{contact->name, contact->number}});
    }
}

CImportExcel* CContactListTemp::OpenImportDialog() {
    if (CImportExcel* open = IfOpen(import_)) {
        open->raise();
        return open;
    }
    return import_ = OpenWindow<CImportExcel>(
               window(), CImportExcel::Title(), CImportExcel::kPosition,
               [this](const QString& nameColumn, const QString& numberColumn) {
                   return ImportWorkbook(nameColumn, numberColumn);
               });
}

CDialogTempContact* CContactListTemp::RemarkDialog() const {
    return remarkDialog_ != nullptr && !remarkDialog_->IsClosing() ? remarkDialog_.data() : nullptr;
}

CTempMenu* CContactListTemp::StatusMenu() const {
    return menu_ != nullptr && !menu_->IsClosing() ? menu_.data() : nullptr;
}

CDialogTempContact* CContactListTemp::OpenRemarkDialog(int index) {
    // One remark at a time: the open dialog comes forward with what was typed in it.
    if (CDialogTempContact* open = RemarkDialog()) {
        open->raise();
        return open;
    }
    const TempContact* contact = model_->Entry(index);
    if (contact == nullptr) {
        return nullptr;
    }
    remarkDialog_ = OpenWindow<CDialogTempContact>(
        window(), CDialogTempContact::Title(), CDialogTempContact::kPosition, *contact,
        [this](int row, int status, const QString& remark) {
            return SaveRemark(row, status, remark);
        });
    return remarkDialog_;
}

CTempMenu* CContactListTemp::OpenStatusMenu(int index, const QPoint& globalPos) {
    const TempContact* contact = model_->Entry(index);
    if (contact == nullptr || contact->status == 0) {
        return nullptr;
    }
    if (CTempMenu* open = StatusMenu()) {
        open->Close();
    }
    auto* menu = new CTempMenu(this, contact->row);
    menu->Create(QStringLiteral("MenuWnd"));
    connect(menu, &CTempMenu::StatusChosen, this, &CContactListTemp::ShowStatus);
    menu->ShowAt(globalPos);
    menu_ = menu;
    return menu;
}

void CContactListTemp::CloseRowWindows() {
    if (CDialogTempContact* dialog = RemarkDialog()) {
        dialog->Close();
    }
    if (CTempMenu* menu = StatusMenu()) {
        menu->Close();
    }
}

void CContactListTemp::OnButtonReleased(int row, int control) {
    if (model_->Entry(row) == nullptr) {
        return;
    }
    switch (CItemContactTemp::Control(control)) {
    case CItemContactTemp::Control::Check:
        model_->SetChecked(row, !model_->IsChecked(row));
        break;
    case CItemContactTemp::Control::CallTel:
        DialItem(row, false);
        break;
    case CItemContactTemp::Control::CallMobile:
        DialItem(row, true);
        break;
    case CItemContactTemp::Control::Sms:
        SendSmsToItem(row);
        break;
    case CItemContactTemp::Control::Remark:
        OpenRemarkDialog(row);
        break;
    case CItemContactTemp::Control::Item:
        OpenStatusMenu(row, QCursor::pos());
        break;
    default:
        break;
    }
}

} // namespace tamberlink
