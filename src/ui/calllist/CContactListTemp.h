#pragma once

#include "ui/calllist/CItemContactTemp.h"
#include "ui/lists/ItemRowDelegate.h"

#include "calllist/TempContactList.h"
#include "ui_page_calllist.h"

#include <QPointer>
#include <QWidget>

#include <memory>

#include <utility>
#include <vector>

class QCheckBox;
class QListView;

namespace tamberlink {

using TempContactDelegate = ItemRowDelegate<CItemContactTemp>;

class AppCore;
class CallPopups;
class CButtonUI;
class CDialCampaign;
class CDialogTempContact;
class CImportExcel;
class CTempMenu;
class TempContactModel;

// The temporary-contacts page: a call list read from an Excel workbook, one row per sheet
// row with a number. Each contact can be called on the landline or through the phone (a
// call that goes out marks it "已联系" in the workbook), sent an SMS, and given a status and
// a remark, written back into the workbook at once. "导入Excel" imports a workbook, the
// select-all box checks or unchecks every contact and "群发短信" texts the checked ones.
// The workbook and its columns are remembered for the next start.
class CContactListTemp : public QWidget {
    Q_OBJECT

public:
    // (name, number) of each SMS recipient, in list order.
    using Recipients = std::vector<std::pair<QString, QString>>;

    static QString NoticeNoneChecked() { return QStringLiteral("请先选择要发送的联系人"); }
    static QString NoticeCannotRead() {
        return QStringLiteral("无法读取这个表格，请选择Excel表格文件（xls或xlsx）");
    }
    // The words of the list's notices; `copyName` is the copy an .xls list now writes to.
    static QString NoticeText(TempContactList::Notice notice, const QString& copyName = {});

    // Call after the core has started: the list remembers its workbook in the data root.
    // SMS are refused while one of `calls` is open.
    CContactListTemp(AppCore& core, const CallPopups& calls, QWidget* parent = nullptr);
    ~CContactListTemp() override;

    // Builds the page from "page_calllist.ui".
    void Build();

    // Reads the workbook's first sheet into the list with the current columns. False, the
    // list unchanged, when it cannot be read.
    bool LoadWorkbook(const QString& path);
    // The import dialog's column texts: checks them, asks for the workbook, loads it and
    // remembers file and columns. False, after telling the user, when the texts are refused.
    bool ImportWorkbook(const QString& nameColumn, const QString& numberColumn);
    // Loads the workbook remembered at the last import, when there is a valid one.
    bool RestoreWorkbook();
    // Writes status and remark into the workbook row and shows them; tells the user when the
    // workbook could not be written.
    TempContactList::UpdateResult UpdateTempContact(int row, int status, const QString& remark);
    // "群发短信": asks for an SMS to the checked contacts, then unchecks them.
    void SendSmsToSelected();
    // The select-all box was clicked: every contact follows it.
    void ToggleSelectAll();

    // The actions of the contact shown at list row `index`: a call (true when it is on its
    // way; the contact is marked "已联系" once it has gone out), an SMS, the remark dialog, the
    // status menu at `globalPos` (only for a contact with a status).
    bool DialItem(int index, bool throughPhone);
    void SendSmsToItem(int index);
    CDialogTempContact* OpenRemarkDialog(int index);
    CTempMenu* OpenStatusMenu(int index, const QPoint& globalPos);
    CImportExcel* OpenImportDialog();
    // "连续拨号": the campaign panel over the list as shown, with the checked rows offered.
    CDialCampaign* OpenCampaign();
    // At start: a campaign an earlier run left unfinished is offered to go on with.
    void OfferResume();

    const TempContactList& Contacts() const { return contacts_; }
    TempContactModel& Model() { return *model_; }
    TempContactDelegate& Delegate() { return *delegate_; }
    QListView* List() const { return ui_.ListContactTemp; }
    QCheckBox* SelectAllBox() const { return ui_.btnCheckAll; }
    CButtonUI* ImportButton() const { return ui_.ButtonInport; }
    CButtonUI* SendButton() const { return ui_.ButtonSend; }
    CDialogTempContact* RemarkDialog() const;
    CTempMenu* StatusMenu() const;

signals:
    // An SMS to these people is asked for (never while a call popup is open).
    void SmsRequested(const tamberlink::CContactListTemp::Recipients& recipients);

private:
    // Shows the list's contacts anew; the windows opened for a row close.
    void ShowItems();
    // Shows the contact of sheet row `row` as the list has it now.
    void ShowItem(int row);
    void ShowStatus(int row, int status);
    // A campaign wrote the row of the list's workbook.
    void ShowCampaignCells(int row, int status, const QString& remark);
    bool SaveRemark(int row, int status, const QString& remark);
    bool DialContact(const TempContact& contact, bool throughPhone, bool confirmedListed);
    QString ChooseWorkbook();
    void CloseRowWindows();
    void OnButtonReleased(int row, int control);

    AppCore& core_;
    const CallPopups& calls_;
    QPointer<CImportExcel> import_;
    TempContactList contacts_;
    TempContactModel* model_ = nullptr;
    TempContactDelegate* delegate_ = nullptr;
    QPointer<CDialogTempContact> remarkDialog_;
    QPointer<CTempMenu> menu_;
    QPointer<CDialCampaign> campaign_;
    Ui::page_calllist ui_{};
};

} // namespace tamberlink
