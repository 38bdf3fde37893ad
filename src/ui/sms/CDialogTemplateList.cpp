#include "ui/sms/CDialogTemplateList.h"

#include "app/AppCore.h"
#include "ui/lists/ItemRowDelegate.h"
#include "ui/sms/TemplateItem.h"
#include "ui/sms/TemplateListModel.h"
#include "ui/widgets/Controls.h"

#include <QListView>

namespace tamberlink {

CDialogTemplateList::CDialogTemplateList(QWidget* parent, AppCore& core)
    : WindowImplBase(parent)
    , core_(core)
    , model_(new TemplateListModel(this)) {}

void CDialogTemplateList::InitWindow() {
    SetControlText(ui_.labelTitle, windowTitle());
    list_ = ui_.containerParent;
    auto* delegate = ShowRows<ItemRowDelegate<TemplateItem>>(*list_, *model_);
    connect(delegate, &ListRowDelegate::ButtonReleased, this,
            [this](int row, int) { model_->SetChecked(row, !model_->IsChecked(row)); });
    connect(ui_.btnOk, &QAbstractButton::clicked, this, &CDialogTemplateList::Choose);
    connect(ui_.btnCancel, &QAbstractButton::clicked, this, &CDialogTemplateList::Close);
    model_->Load(core_.GetAllTemplates());
}

void CDialogTemplateList::Choose() {
    if (model_->EntryCount() > 0) {
        const std::vector<int> checked = model_->CheckedRows();
        emit ContentChosen(checked.empty() ? QString() : model_->Entry(checked.front())->content);
    }
    Close();
}

} // namespace tamberlink
