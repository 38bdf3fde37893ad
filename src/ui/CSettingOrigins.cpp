#include "ui/CSettingOrigins.h"

#include "app/AppCore.h"
#include "ui/CSettingButton.h"
#include "ui/Controls.h"
#include "ui/OriginListDelegate.h"
#include "ui/OriginListModel.h"

#include <QListView>

namespace tamberlink {

CSettingOrigins::CSettingOrigins(QWidget* parent, AppCore& core)
    : CSettingBaseUI(parent, QStringLiteral("网页访问权限"))
    , core_(core) {}

void CSettingOrigins::InitWindow() {
    CSettingBaseUI::InitWindow();
    list_ = new QListView(Content());
    list_->setObjectName(QStringLiteral("ListOrigins"));
    SetFloat(list_, Content(), QRect(10, 8, 338, 136));
    model_ = new OriginListModel(list_);
    delegate_ = new OriginListDelegate(*model_, *list_);
    list_->setModel(model_);
    list_->setItemDelegate(delegate_);
    list_->setUniformItemSizes(true);
    list_->setSelectionMode(QAbstractItemView::NoSelection);
    list_->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    list_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    connect(delegate_, &OriginListDelegate::ButtonReleased, this,
            &CSettingOrigins::OnButtonReleased);
    connect(AddButton(10, 158, QStringLiteral("允许")), &QAbstractButton::clicked, this,
            [this] { SetAllowed(true); });
    connect(AddButton(125, 158, QStringLiteral("拒绝")), &QAbstractButton::clicked, this,
            [this] { SetAllowed(false); });
    connect(AddButton(240, 158, QStringLiteral("删除")), &QAbstractButton::clicked, this,
            &CSettingOrigins::RemoveChecked);
    Reload();
}

void CSettingOrigins::Reload() {
    model_->Load(core_.Origins().Origins());
}

void CSettingOrigins::OnButtonReleased(int row, int control) {
    if (control == OriginListDelegate::kRow && model_->IsEntryRow(row)) {
        model_->SetChecked(row, !model_->IsChecked(row));
    }
}

void CSettingOrigins::SetAllowed(bool allowed) {
    core_.Origins().SetAllowed(model_->IdsOf(model_->CheckedRows()), allowed);
    Reload();
}

void CSettingOrigins::RemoveChecked() {
    core_.Origins().Remove(model_->IdsOf(model_->CheckedRows()));
    Reload();
}

} // namespace tamberlink
