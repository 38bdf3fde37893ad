#include "ui/settings/CSettingGrade.h"

#include "app/AppCore.h"
#include "app/DeviceBridge.h"
#include "ui/shell/ProductLinks.h"
#include "ui/widgets/CButtonUI.h"
#include "ui/widgets/Controls.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QUrl>

namespace tamberlink {

CSettingGrade::CSettingGrade(QWidget* parent, AppCore& core)
    : CSettingBaseUI(parent, QStringLiteral("固件升级"), core) {}

void CSettingGrade::InitContent() {
    AddLabel(QRect(10, 5, 338, 24), QStringLiteral("1、固件升级过程请勿断电。"));
    AddLabel(QRect(10, 30, 338, 24),
             QStringLiteral("2、当前版本: ") + Core().Device().FirmwareVersion())
        ->setTextFormat(Qt::PlainText);

    auto* download = new CButtonUI(Content());
    download->setObjectName(QStringLiteral("ButtonFirmwarePage"));
    download->setText(QStringLiteral("3、点击下载最新固件升级程序。"));
    download->setFont(SkinFont(1));
    download->SetTextStyle(0);
    download->SetTextColor(QColor(0xFF0099FFu));
    download->setFlat(true);
    download->setCursor(Qt::PointingHandCursor);
    SetFloat(download, Content(), QRect(10, 55, 338, 24));
    connect(download, &QAbstractButton::clicked, this,
            [] { QDesktopServices::openUrl(QUrl(QString::fromLatin1(kFirmwarePage))); });

    file_ = AddEdit(QRect(10, 85, 250, 30), QString());
    file_->setObjectName(QStringLiteral("EditFirmwareFile"));
    SetEditBorder(file_, 1, QColor(0xFFE1E1E1u), QColor(0xFF77C5E5u));

    auto* import = new CButtonUI(Content());
    import->setObjectName(QStringLiteral("ButtonImport"));
    import->setText(QStringLiteral("导入文件"));
    import->setFont(SkinFont(1));
    import->SetTextColor(Qt::white);
    import->SetNormalImage(QStringLiteral("Btn_Common_Normal.png"));
    import->SetHotImage(QStringLiteral("Btn_Common_Hot.png"));
    import->SetPushedImage(QStringLiteral("Btn_Common_Push.png"));
    SetFloat(import, Content(), QRect(270, 85, 80, 30));
    connect(import, &QAbstractButton::clicked, this, &CSettingGrade::ImportFile);

    status_ = AddLabel(QRect(10, 125, 338, 30), QStringLiteral("等待升级"));
    status_->setAlignment(TextAlignment(1));
    status_->setTextFormat(Qt::PlainText);

    connect(AddButton(125, 165, QStringLiteral("开始升级")), &QAbstractButton::clicked, this,
            &CSettingGrade::StartUpgrade);
}

void CSettingGrade::ImportFile() {
    if (fileDialog_ != nullptr) {
        fileDialog_->raise();
        return;
    }
    // Any file name, with or without an extension: firmware files come as they are made.
    fileDialog_ =
        new QFileDialog(this, QStringLiteral("导入文件"), QString(), QStringLiteral("All (*)"));
    fileDialog_->setFileMode(QFileDialog::ExistingFile);
    fileDialog_->setAcceptMode(QFileDialog::AcceptOpen);
    fileDialog_->setAttribute(Qt::WA_DeleteOnClose);
    connect(fileDialog_, &QFileDialog::fileSelected, this,
            [this](const QString& path) { file_->setText(QDir::toNativeSeparators(path)); });
    fileDialog_->open();
}

void CSettingGrade::StartUpgrade() {
    // The last run's result makes way for this one's.
    SetStatus(QStringLiteral("等待升级"));
    const QString refusal = Core().Device().Firmware().StartUpgrade(file_->text());
    if (!refusal.isEmpty()) {
        SetStatus(refusal);
        Core().ShowTip(refusal);
    }
}

void CSettingGrade::SetStatus(const QString& text) {
    status_->setText(text);
    emit StatusChanged(text);
}

QString CSettingGrade::Status() const {
    return status_ != nullptr ? status_->text() : QString();
}

} // namespace tamberlink
