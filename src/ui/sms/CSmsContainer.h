#pragma once

#include "store/SmsRecord.h"
#include "store/TemplateRecord.h"
#include "ui/sms/SmsRecipient.h"
#include "ui_page_sms.h"

#include <QWidget>

#include <memory>

#include <map>

class QListView;

namespace tamberlink {

class AppCore;
class CButtonUI;
class ListRowDelegate;
class SmsListModel;
class TemplateListModel;

// The SMS page: the sent SMS, newest first, with the toolbar "新建信息", "删除", the select-all
// box and "管理模版"; and the template manager, a panel over the list (hidden at first) with
// "新建模版", "删除", "全选" and "关闭". A click on an SMS asks to write to that person again,
// its call buttons call the number back; a click on a template asks to edit it.
class CSmsContainer : public QWidget {
    Q_OBJECT

public:
    // The toolbar buttons, by the tags they carry.
    enum Tag {
        kNewSms = 1,
        kDeleteSms = 2,
        kSelectAllSms = 3,
        kManageTemplates = 4,
        kNewTemplate = 5,
        kDeleteTemplates = 6,
        kSelectAllTemplates = 7,
        kCloseTemplates = 8,
    };

    explicit CSmsContainer(AppCore& core, QWidget* parent = nullptr);

    // Builds the page from "page_sms.ui".
    void Build();

    // Shows the sent SMS (read in the background) / the templates as the core has them now.
    void LoadSmsList();
    void LoadTemplateList();

    // Deletes the checked SMS (templates) from the list and the database; no confirmation.
    void DeleteCheckedSms();
    void DeleteCheckedTemplates();
    // Checks or unchecks every SMS (template) as the select-all box says.
    void ToggleAllSms();
    void ToggleAllTemplates();

    // The template manager: shown with its templates loaded, or hidden to show the list.
    void ShowTemplateManager();
    void HideTemplateManager();
    bool IsTemplateManagerShown() const;

    // The persons the sent SMS went to, newest first, each once.
    SmsRecipients RecentRecipients() const;

    SmsListModel& Sms() { return *smsModel_; }
    TemplateListModel& Templates() { return *templateModel_; }
    QListView* SmsList() const { return ui_.ListSms; }
    QListView* TemplateList() const { return ui_.ListTemplate; }
    // The toolbar button of `tag`, or nullptr.
    CButtonUI* ToolButton(int tag) const;

signals:
    void NewSmsRequested();
    void SmsOpenRequested(const tamberlink::SmsRecord& sms);
    void DialRequested(const QString& number, bool throughPhone);
    void NewTemplateRequested();
    void TemplateOpenRequested(const tamberlink::TemplateRecord& record);

private:
    void MakeToolButtons();
    void OnSmsButton(int row, int control);
    void OnTemplateButton(int row, int control);

    AppCore& core_;
    SmsListModel* smsModel_ = nullptr;
    TemplateListModel* templateModel_ = nullptr;
    std::map<int, CButtonUI*> buttons_;
    Ui::page_sms ui_{};
};

} // namespace tamberlink
