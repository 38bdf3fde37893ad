#include "ui/settings/CSettingServer.h"

#include "app/AppCore.h"
#include "ui/widgets/CButtonUI.h"
#include "ui/widgets/Controls.h"

#include <QLabel>
#include <QLineEdit>

namespace tamberlink {

CSettingServer::CSettingServer(QWidget* parent, AppCore& core)
    : CSettingBaseUI(parent, QStringLiteral("服务器设置"), core) {}

void CSettingServer::InitContent() {
    AddLabel(QRect(20, 20, 318, 28), QStringLiteral("云服务地址（登录、备份和同步联系人）:"));
    address_ = AddEdit(QRect(20, 52, 318, 34), Core().CloudServer());
    address_->setObjectName(QStringLiteral("EditServer"));
    address_->setPlaceholderText(Core().DefaultCloudServer());
    address_->setMaxLength(512);

    auto* reset = new CButtonUI(Content());
    reset->setObjectName(QStringLiteral("ButtonDefaultServer"));
    reset->setText(QStringLiteral("恢复默认"));
    reset->setFont(SkinFont(1));
    reset->SetTextStyle(0);
    reset->SetTextColor(QColor(0xFF0099FFu));
    reset->setFlat(true);
    reset->setCursor(Qt::PointingHandCursor);
    SetFloat(reset, Content(), QRect(20, 92, 100, 24));
    connect(reset, &QAbstractButton::clicked, this,
            [this] { address_->setText(Core().DefaultCloudServer()); });

    connect(AddButton(125, 150, QStringLiteral("确定")), &QAbstractButton::clicked, this,
            &CSettingServer::Save);
    connect(address_, &QLineEdit::returnPressed, this, &CSettingServer::Save);
}

void CSettingServer::Save() {
    if (!Core().SetCloudServer(address_->text())) {
        Core().ShowTip(QStringLiteral("请输入正确的服务器地址，例如 http://192.168.1.10:8080/"));
        return;
    }
    Close();
}

} // namespace tamberlink
