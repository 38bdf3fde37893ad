#include "ui/settings/CSettingOrigins.h"

#include "app/AppCore.h"
#include "ui/settings/OriginListModel.h"
#include "ui/widgets/CSettingButton.h"
#include "ui/widgets/Controls.h"

#include <QListView>

#include <algorithm>

namespace tamberlink {

CSettingOrigins::CSettingOrigins(QWidget* parent, AppCore& core)
    : CSettingBaseUI(parent, QStringLiteral("网页访问权限"), core) {}

void CSettingOrigins::InitContent() {
    list_ = new QListView(Content());
    list_->setObjectName(QStringLiteral("ListOrigins"));
    SetFloat(list_, Content(), QRect(10, 8, 338, 136));
    model_ = new OriginListModel(list_);
    delegate_ = ShowRows<OriginListDelegate>(*list_, *model_);
    connect(delegate_, &OriginListDelegate::ButtonReleased, this,
            &CSettingOrigins::OnButtonReleased);
    connect(AddButton(10, 158, QStringLiteral("允许")), &QAbstractButton::clicked, this,
            [this] { SetAllowed(true); });
    connect(AddButton(125, 158, QStringLiteral("拒绝")), &QAbstractButton::clicked, this,
            [this] { SetAllowed(false); });
    connect(AddButton(240, 158, QStringLiteral("删除")), &QAbstractButton::clicked, this,
            &CSettingOrigins::RemoveChecked);
    connect(&Core(), &AppCore::OriginsChanged, this, &CSettingOrigins::Reload);
    Reload();
}

void CSettingOrigins::Reload() {
    const std::vector<int> checked = model_->IdsOf(model_->CheckedRows());
    model_->Load(Core().Origins().Origins());
    for (int row = 0; row < model_->EntryCount(); ++row) {
        if (std::find(checked.begin(), checked.end(), model_->Entry(row)->id) != checked.end()) {
            model_->SetChecked(row, true);
        }
    }
}

void CSettingOrigins::OnButtonReleased(int row, int control) {
    if (!model_->IsEntryRow(row)) {
        return;
    }
    const int use = control - OriginRow::kFirstUse;
    if (use >= 0 && use < OriginRecord::kUses) {
        const OriginRecord& entry = *model_->Entry(row);
        Core().Origins().SetAllowed(entry.id, static_cast<ApiPurpose>(use),
                                    !entry.answers[use].value_or(false));
    } else if (control == OriginRow::kRow) {
        model_->SetChecked(row, !model_->IsChecked(row));
    }
}

void CSettingOrigins::SetAllowed(bool allowed) {
    const std::vector<int> ids = model_->IdsOf(model_->CheckedRows());
    model_->SetAllChecked(false);
    Core().Origins().SetAllowed(ids, allowed);
    Reload();
}

void CSettingOrigins::RemoveChecked() {
    const std::vector<int> ids = model_->IdsOf(model_->CheckedRows());
    model_->SetAllChecked(false);
    Core().Origins().Remove(ids);
    Reload();
}

} // namespace tamberlink
