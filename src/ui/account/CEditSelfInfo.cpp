#include "ui/account/CEditSelfInfo.h"

#include "app/AppCore.h"
#include "ui/widgets/Controls.h"

#include <QLineEdit>

namespace tamberlink {

CEditSelfInfo::CEditSelfInfo(QWidget* parent, AppCore& core)
    : CSettingBaseUI(parent, QStringLiteral("个人资料"), core) {}

void CEditSelfInfo::InitContent() {
    name_ = ui_.editName;
    company_ = ui_.editCompany;
    // The stored profile, not the labels: they show the account for a missing name and
    // "公司名称" for a missing company, which are no data of the user's.
    if (CloudFlows* cloud = Core().Cloud()) {
        const ProfileRecord profile = cloud->Account().Profile();
        name_->setText(profile.name);
        company_->setText(profile.company);
    }
    for (QLineEdit* edit : {name_, company_}) {
        edit->setFont(SkinFont(1));
        SetEditBorder(edit, 1, QColor(0xFFE1E1E1u), QColor(0xFF77C5E5u));
    }
    connect(ui_.btnOk, &QAbstractButton::clicked, this, &CEditSelfInfo::Save);
    connect(ui_.btnCancel, &QAbstractButton::clicked, this, &CEditSelfInfo::Close);
}

void CEditSelfInfo::Save() {
    if (CloudFlows* cloud = Core().Cloud(); cloud != nullptr && cloud->Account().IsLoggedIn()) {
        cloud->Account().ApplyProfile(name_->text(), company_->text());
    }
    Close();
}

} // namespace tamberlink
