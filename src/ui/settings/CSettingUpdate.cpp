#include "ui/settings/CSettingUpdate.h"

#include "app/AppCore.h"
#include "ui/widgets/Controls.h"
#include "util/Version.h"

#include <QDesktopServices>
#include <QLabel>
#include <QUrl>

namespace tamberlink {

CSettingUpdate::CSettingUpdate(QWidget* parent, AppCore& core)
    : CSettingBaseUI(parent, QStringLiteral("版本更新"), core) {}

void CSettingUpdate::InitContent() {
    AddLabel(QRect(0, 50, 358, 30), QStringLiteral("当前版本:") + QLatin1String(kProgramVersion))
        ->setAlignment(TextAlignment(1));
    message_ = AddLabel(QRect(0, 90, 358, 30), QStringLiteral("点击检查是否有新版本更新"));
    message_->setAlignment(TextAlignment(1));
    message_->setTextFormat(Qt::PlainText);
    button_ = AddButton(125, 145, QStringLiteral("检查更新"));
    connect(button_, &QAbstractButton::clicked, this, &CSettingUpdate::OnButton);
}

void CSettingUpdate::ShowResult(bool found, const QString& num, const QString& url) {
    url_ = found ? url : QString();
    if (found) {
        message_->setText(QStringLiteral("发现新版本,建议更新后使用，版本号：") + num);
        button_->setText(QStringLiteral("立即更新"));
    } else {
        message_->setText(QStringLiteral("没有发现新版本，谢谢对Tamberlink的支持"));
        button_->setText(QStringLiteral("检查更新"));
    }
}

QString CSettingUpdate::Message() const {
    return message_ != nullptr ? message_->text() : QString();
}

void CSettingUpdate::OnButton() {
    if (!url_.isEmpty()) {
        QDesktopServices::openUrl(QUrl(url_));
        Close();
    } else if (CloudFlows* cloud = Core().Cloud()) {
        cloud->Version().CheckForUpdates(VersionCheck::kUpdateWindow);
    }
}

} // namespace tamberlink
