#include "ui/account/AccountPanel.h"

#include "ui/widgets/CButtonUI.h"
#include "ui/widgets/Controls.h"
#include "ui/widgets/SkinImage.h"

#include <QHBoxLayout>
#include <QLabel>

namespace tamberlink {

AccountPanel::AccountPanel(QWidget* host)
    : QWidget(host) {
    setObjectName(QStringLiteral("AccountPanel"));
    auto* fill = new QHBoxLayout(host);
    fill->setContentsMargins(0, 0, 0, 0);
    fill->addWidget(this);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);

    loggedOut_ = AddHalf(QStringLiteral("PanelLogout"));
    AddButton(loggedOut_, QStringLiteral("登 录"), &AccountPanel::LoginRequested);
    AddButton(loggedOut_, QStringLiteral("注 册"), &AccountPanel::RegisterRequested);
    AddButton(loggedOut_, QStringLiteral("服务器"), &AccountPanel::ServerRequested);

    loggedIn_ = AddHalf(QStringLiteral("PanelLogin"));
    name_ = AddLabel(loggedIn_, QStringLiteral("LabelName"));
    account_ = AddLabel(loggedIn_, QStringLiteral("LabelAccount"));
    company_ = AddLabel(loggedIn_, QStringLiteral("LabelCompany"));
    AddButton(loggedIn_, QStringLiteral("编辑"), &AccountPanel::ProfileRequested);
    AddButton(loggedIn_, QStringLiteral("注销"), &AccountPanel::LogoutRequested);
    loggedIn_->hide();
}

void AccountPanel::ShowLoggedIn(const QString& account, const QString& name,
                                const QString& company) {
    const auto show = [](QLabel* label, const QString& text, int keep) {
        SetControlText(label, ShortenText(text, keep));
        label->setToolTip(text);
    };
    show(account_, account, 11);
    show(name_, name, 11);
    show(company_, company, 10);
    loggedOut_->hide();
    loggedIn_->show();
}

void AccountPanel::ShowLoggedOut() {
    loggedIn_->hide();
    loggedOut_->show();
}

QWidget* AccountPanel::AddHalf(const QString& name) {
    static const QPixmap head = SkinPicture(QStringLiteral("bgHeadDefaulte2_big.png"))
                                    .scaled(22, 22, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    auto* half = new QWidget(this);
    half->setObjectName(name);
    auto* row = new QHBoxLayout(half);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(8);
    row->addStretch();
    auto* picture = new QLabel(half);
    picture->setPixmap(head);
    row->addWidget(picture);
    layout()->addWidget(half);
    return half;
}

QLabel* AccountPanel::AddLabel(QWidget* half, const QString& name) {
    auto* label = new QLabel(half);
    label->setObjectName(name);
    label->setTextFormat(Qt::PlainText);
    half->layout()->addWidget(label);
    return label;
}

void AccountPanel::AddButton(QWidget* half, const QString& text, void (AccountPanel::*signal)()) {
    auto* button = new CButtonUI(half);
    button->setText(text);
    button->setFixedSize(56, 24);
    half->layout()->addWidget(button);
    connect(button, &QAbstractButton::clicked, this, signal);
}

} // namespace tamberlink
