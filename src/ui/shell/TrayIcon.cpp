#include "ui/shell/TrayIcon.h"

#include "ui/widgets/SkinImage.h"

#include <QMenu>
#include <QSystemTrayIcon>

namespace tamberlink {

TrayIcon::TrayIcon(QObject* parent)
    : QObject(parent)
    , menu_(new QMenu()) {
    screenOff_ = menu_->addAction(QString());
    SetScreenOff(0);
    connect(screenOff_, &QAction::triggered, this, &TrayIcon::ScreenOffToggleRequested);
    connect(menu_->addAction(QStringLiteral("显示")), &QAction::triggered, this,
            &TrayIcon::ShowRequested);
    connect(menu_->addAction(QStringLiteral("退出")), &QAction::triggered, this,
            &TrayIcon::ExitRequested);
    if (!QSystemTrayIcon::isSystemTrayAvailable()) {
        return;
    }
    icon_ = new QSystemTrayIcon(QIcon(SkinPicture(QStringLiteral("logo.png"))), this);
    icon_->setToolTip(QStringLiteral("双击弹出"));
    icon_->setContextMenu(menu_);
    connect(icon_, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::DoubleClick) {
                    emit ShowRequested();
                }
            });
    icon_->show();
}

void TrayIcon::SetWaiting(int count) {
    if (icon_ != nullptr) {
        icon_->setToolTip(count > 0 ? QStringLiteral("双击弹出\n待回拨 %1").arg(count)
                                    : QStringLiteral("双击弹出"));
    }
}

TrayIcon::~TrayIcon() {
    delete menu_;
}

bool TrayIcon::IsShown() const {
    return icon_ != nullptr && icon_->isVisible();
}

void TrayIcon::Remove() {
    if (icon_ != nullptr) {
        icon_->hide();
    }
}

void TrayIcon::SetScreenOff(int screenOff) {
    screenOff_->setText(QStringLiteral("取词: %1 (Ctrl + F10)")
                            .arg(screenOff == 1 ? QStringLiteral("开") : QStringLiteral("关")));
}

void TrayIcon::ShowMessage(const QString& title, const QString& text) {
    if (IsShown()) {
        icon_->showMessage(title, text);
    }
}

} // namespace tamberlink
