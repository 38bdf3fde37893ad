#include "ui/sms/CSmsContainer.h"

#include "app/AppCore.h"
#include "store/LocalDatabase.h"
#include "ui/lists/ItemRowDelegate.h"
#include "ui/sms/CItemSmsUI.h"
#include "ui/sms/SmsListModel.h"
#include "ui/sms/TemplateItem.h"
#include "ui/sms/TemplateListModel.h"
#include "ui/widgets/CButtonUI.h"
#include "ui/widgets/Controls.h"
#include "ui/widgets/SkinForm.h"

#include <QListView>
#include <QScrollBar>
#include <QSet>

namespace tamberlink {

namespace {

using SmsDelegate = ItemRowDelegate<CItemSmsUI>;
using TemplateDelegate = ItemRowDelegate<TemplateItem>;

// A toolbar button: its tag, text, picture, place, and what it does.
struct ToolButtonSpec {
    int tag;
    const char16_t* text;
    const char16_t* foreImage; // nullptr for none
    QRect geometry;
    int textPadding;
    bool onTemplatePanel;
    void (CSmsContainer::*action)(); // nullptr: the button asks for a window (below)
};

// Removes the checked rows of `list`, keeping the rows that stay where the user sees them.
template <class Model>
std::vector<int> RemoveChecked(Model& model, QListView& list) {
    const int scrolled = list.verticalScrollBar()->value();
    std::vector<int> ids = model.RemoveCheckedRows();
    list.verticalScrollBar()->setValue(scrolled);
    return ids;
}

} // namespace

CSmsContainer::CSmsContainer(AppCore& core, QWidget* parent)
    : QWidget(parent)
    , core_(core)
    , smsModel_(new SmsListModel(this))
    , templateModel_(new TemplateListModel(this)) {
    // A sent SMS never changes, and every write reloads the list: no row is read alone.
    smsModel_->SetPagedSource(
        core_, [](LocalDatabase& db, int limit) { return db.Sms().Ids(limit); },
        [](LocalDatabase& db, const std::vector<int>& ids) { return db.Sms().Get(ids); });
}

void CSmsContainer::Build() {
    SkinForm::SetUp(ui_, this);
    MakeToolButtons();
    ui_.PanelTemplate->hide();

    FollowRows(*ShowRows<SmsDelegate>(*ui_.ListSms, *smsModel_), this, &CSmsContainer::OnSmsButton,
               CItemSmsUI::Control::CallTel);
    connect(ShowRows<TemplateDelegate>(*ui_.ListTemplate, *templateModel_),
            &ListRowDelegate::ButtonReleased, this, &CSmsContainer::OnTemplateButton);
    connect(&core_, &AppCore::SmsListChanged, this, &CSmsContainer::LoadSmsList);
    // Nothing is checked after a reload, so neither is the select-all box.
    connect(smsModel_, &QAbstractItemModel::modelReset, this, [this] {
        if (CButtonUI* box = ToolButton(kSelectAllSms)) {
            box->setChecked(false);
        }
    });
    connect(&core_, &AppCore::TemplateListChanged, this, &CSmsContainer::LoadTemplateList);
}

void CSmsContainer::MakeToolButtons() {
    const ToolButtonSpec specs[] = {
        {kNewSms,
         u"新建信息",
         u"file='tabBtnNewMsg.png' dest='5,6,22,18'",
         {15, 8, 84, 24},
         20,
         false,
         nullptr},
        {kDeleteSms,
         u"删除",
         u"file='tabBtnDelete.png' dest='8,4,23,21'",
         {109, 8, 67, 24},
         20,
         false,
         &CSmsContainer::DeleteCheckedSms},
        {kSelectAllSms,
         nullptr,
         nullptr,
         {192, 13, 14, 14},
         0,
         false,
         &CSmsContainer::ToggleAllSms},
        {kManageTemplates,
         u"管理模版",
         u"file='tabBtnTemplate.png' dest='5,6,18,19'",
         {703, 8, 84, 24},
         18,
         false,
         &CSmsContainer::ShowTemplateManager},
        {kNewTemplate,
         u"新建模版",
         u"file='tabBtnTemplate.png' dest='5,6,18,19'",
         {15, 8, 84, 24},
         18,
         true,
         nullptr},
        {kDeleteTemplates,
         u"删除",
         u"file='tabBtnDelete.png' dest='8,4,23,21'",
         {109, 8, 67, 24},
         20,
         true,
         &CSmsContainer::DeleteCheckedTemplates},
        {kSelectAllTemplates,
         u"全选",
         nullptr,
         {186, 8, 67, 24},
         0,
         true,
         &CSmsContainer::ToggleAllTemplates},
        {kCloseTemplates,
         u"关闭",
         u"file='tabBtnClose.png' dest='13,7,23,17'",
         {720, 8, 67, 24},
         20,
         true,
         &CSmsContainer::HideTemplateManager},
    };
    for (const ToolButtonSpec& spec : specs) {
        QWidget* bar = spec.onTemplatePanel ? ui_.LayoutTemplateTool : ui_.LayoutToolbar;
        auto* button = new CButtonUI(bar);
        button->setProperty("tag", spec.tag);
        SetFloat(button, bar, spec.geometry);
        const bool isCheckBox = spec.text == nullptr;
        if (isCheckBox) {
            button->setObjectName(QStringLiteral("CheckSelectAll"));
            button->setCheckable(true);
            button->SetNormalImage(QStringLiteral("tabBtnUncheck.png"));
            button->SetSelectedImage(QStringLiteral("tabBtnCheck.png"));
            button->setToolTip(QStringLiteral("全选"));
        } else {
            button->setObjectName(QStringLiteral("ButtonTool%1").arg(spec.tag));
            button->setText(QString::fromUtf16(spec.text));
            button->SetNormalImage(QStringLiteral("tabBtnNomal.png"));
            button->SetHotImage(QStringLiteral("tabBtnHot.png"));
            button->SetPushedImage(QStringLiteral("tabBtnPush.png"));
            button->SetTextColor(QColor(0xFF808080u));
            if (spec.foreImage != nullptr) {
                button->SetForeImage(QString::fromUtf16(spec.foreImage));
                button->SetTextPadding(QMargins(spec.textPadding, 0, 0, 0));
            }
        }
        // "全选" of the templates stays pushed in while every template is checked.
        if (spec.tag == kSelectAllTemplates) {
            button->setCheckable(true);
            button->SetSelectedImage(QStringLiteral("tabBtnPush.png"));
        }
        if (spec.action != nullptr) {
            connect(button, &QAbstractButton::clicked, this, spec.action);
        }
        buttons_[spec.tag] = button;
    }
    connect(buttons_[kNewSms], &QAbstractButton::clicked, this, &CSmsContainer::NewSmsRequested);
    connect(buttons_[kNewTemplate], &QAbstractButton::clicked, this,
            &CSmsContainer::NewTemplateRequested);
}

CButtonUI* CSmsContainer::ToolButton(int tag) const {
    const auto found = buttons_.find(tag);
    return found == buttons_.end() ? nullptr : found->second;
}

void CSmsContainer::LoadSmsList() {
    smsModel_->Reload();
}

void CSmsContainer::LoadTemplateList() {
    templateModel_->Load(core_.LoadTemplateList());
    if (CButtonUI* box = ToolButton(kSelectAllTemplates)) {
        box->setChecked(false);
    }
}

void CSmsContainer::ToggleAllSms() {
    // The click has already turned the box over: the rows follow it.
    smsModel_->SetAllChecked(ToolButton(kSelectAllSms)->isChecked());
}

void CSmsContainer::ToggleAllTemplates() {
    templateModel_->SetAllChecked(ToolButton(kSelectAllTemplates)->isChecked());
}

void CSmsContainer::DeleteCheckedSms() {
    if (ui_.ListSms == nullptr) {
        return;
    }
    const std::vector<int> ids = RemoveChecked(*smsModel_, *ui_.ListSms);
    if (!ids.empty()) {
        core_.DeleteSms(ids);
    }
    ToolButton(kSelectAllSms)->setChecked(false);
}

void CSmsContainer::DeleteCheckedTemplates() {
    if (ui_.ListTemplate == nullptr) {
        return;
    }
    const std::vector<int> ids = RemoveChecked(*templateModel_, *ui_.ListTemplate);
    if (!ids.empty()) {
        core_.DeleteTemplates(ids);
    }
    ToolButton(kSelectAllTemplates)->setChecked(false);
}

void CSmsContainer::ShowTemplateManager() {
    if (ui_.PanelTemplate == nullptr) {
        return;
    }
    LoadTemplateList();
    ui_.PanelTemplate->show();
    ui_.PanelTemplate->raise();
}

void CSmsContainer::HideTemplateManager() {
    if (ui_.PanelTemplate != nullptr) {
        ui_.PanelTemplate->hide();
    }
}

bool CSmsContainer::IsTemplateManagerShown() const {
    return ui_.PanelTemplate != nullptr && ui_.PanelTemplate->isVisibleTo(this);
}

SmsRecipients CSmsContainer::RecentRecipients() const {
    SmsRecipients recipients;
    QSet<QString> seen;
    for (int row = 0; row < smsModel_->EntryCount(); ++row) {
        const SmsRecord* sms = smsModel_->Entry(row);
        if (sms == nullptr) {
            continue;
        }
        // An SMS to a number without a contact carries the number as its name.
        SmsRecipient person{sms->name == sms->phone ? QString() : sms->name, sms->phone, sms->head};
        const QString key = person.name + u'\n' + person.phone;
        if (!seen.contains(key)) {
            seen.insert(key);
            recipients.push_back(std::move(person));
        }
    }
    return recipients;
}

void CSmsContainer::OnSmsButton(int row, int control) {
    const SmsRecord* found = smsModel_->Entry(row);
    if (found == nullptr) {
        return;
    }
    // A copy: what the button sets off may reload the list.
    const SmsRecord sms = *found;
    switch (CItemSmsUI::Control(control)) {
    case CItemSmsUI::Control::Check:
        smsModel_->SetChecked(row, !smsModel_->IsChecked(row));
        break;
    case CItemSmsUI::Control::CallTel:
        emit DialRequested(sms.phone, false);
        break;
    case CItemSmsUI::Control::CallMobile:
        emit DialRequested(sms.phone, true);
        break;
    case CItemSmsUI::Control::Item:
        emit SmsOpenRequested(sms);
        break;
    default:
        break;
    }
}

void CSmsContainer::OnTemplateButton(int row, int control) {
    const TemplateRecord* found = templateModel_->Entry(row);
    if (found == nullptr) {
        return;
    }
    const TemplateRecord record = *found;
    switch (TemplateItem::Control(control)) {
    case TemplateItem::Control::Check:
        templateModel_->SetChecked(row, !templateModel_->IsChecked(row));
        break;
    case TemplateItem::Control::Item:
        emit TemplateOpenRequested(record);
        break;
    default:
        break;
    }
}

} // namespace tamberlink
