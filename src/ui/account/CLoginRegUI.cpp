#include "ui/account/CLoginRegUI.h"

#include "app/AppCore.h"
#include "ui/widgets/CButtonUI.h"
#include "ui/widgets/COptionUI.h"
#include "ui/widgets/Controls.h"
#include "ui/widgets/SkinImage.h"

#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpressionValidator>

namespace tamberlink {

namespace {

using Form = Ui::dlg_login;

// The panels in CLoginRegUI::Panel order.
QFrame* Form::*const kPanels[] = {&Form::PanelLogin, &Form::PanelReg, &Form::PanelFindPSD1,
                                  &Form::PanelFindPSD2};
// The code buttons and the "换一张" buttons of the login, registration and reset forms.
CButtonUI* Form::*const kCodeButtons[] = {&Form::LOG_BUTTON_CODE, &Form::REG_BUTTON_CODE,
                                          &Form::FIND_PSD1_BUTTON_CODE};
CButtonUI* Form::*const kChangeButtons[] = {&Form::LOG_BUTTON_CHANGE, &Form::REG_BUTTON_CHANGE,
                                            &Form::FIND_PSD1_BUTTON_CHANGE};

struct EditLimit {
    QLineEdit* Form::*edit;
    int maxLength;
    bool digitsOnly;
    bool password;
};

constexpr EditLimit kEdits[] = {
    {&Form::LOG_EDIT_ACCOUNT, 11, true, false},   {&Form::LOG_EDIT_PSD, 15, false, true},
    {&Form::LOG_EDIT_CODE, 4, true, false},       {&Form::REG_EDIT_ACCOUNT, 11, true, false},
    {&Form::REG_EDIT_PSD, 15, false, true},       {&Form::REG_EDIT_PSD1, 15, false, true},
    {&Form::REG_EDIT_CODE, 4, true, false},       {&Form::FIND_PSD1_EDIT_ACCOUNT, 11, true, false},
    {&Form::FIND_PSD1_EDIT_CODE, 4, true, false}, {&Form::FIND_PSD2_EDIT_CODE, 6, true, false},
    {&Form::FIND_PSD2_EDIT_PSD1, 8, true, true},  {&Form::FIND_PSD2_EDIT_PSD2, 8, true, true},
};

// Field names, right-aligned against their edits (text style 6).
QLabel* Form::*const kLabels[] = {
    &Form::LOG_LABEL_ACC,        &Form::LOG_LABEL_PSD,        &Form::LOG_LABEL_CODE,
    &Form::REG_LABEL_ACC,        &Form::REG_LABEL_PSD,        &Form::REG_LABEL_PSD1,
    &Form::REG_LABEL_CODE,       &Form::FIND_PSD1_LABEL_ACC,  &Form::FIND_PSD1_LABEL_CODE,
    &Form::FIND_PSD2_LABEL_CODE, &Form::FIND_PSD2_LABEL_PSD1, &Form::FIND_PSD2_LABEL_PSD2,
};
// Hints beside the registration edits (text style 4).
QLabel* Form::*const kTips[] = {&Form::REG_TIP0, &Form::REG_TIP1, &Form::REG_TIP2};

} // namespace

CLoginRegUI::CLoginRegUI(QWidget* parent, AppCore& core)
    : WindowImplBase(parent)
    , core_(core) {}

void CLoginRegUI::InitWindow() {
    SetBkImage(ui_.dlgTitle, QStringLiteral("bgHead.png"));
    SetTitle(windowTitle());
    for (size_t i = 0; i < std::size(kPanels); ++i) {
        panels_[i] = ui_.*kPanels[i];
    }
    for (size_t i = 0; i < std::size(kCodeButtons); ++i) {
        codeButtons_[i] = ui_.*kCodeButtons[i];
    }
    SetUpEdits();
    for (QLabel* Form::*label : kLabels) {
        (ui_.*label)->setAlignment(TextAlignment(6));
    }
    for (QLabel* Form::*tip : kTips) {
        (ui_.*tip)->setAlignment(TextAlignment(4));
    }
    const bool remember = Flow() != nullptr && Flow()->Remembered().Offered().remember;
    rememberLogin_ =
        AddRememberBox(panels_[kLoginPanel], QStringLiteral("LOG_CHECK_REMEMBER"), 177);
    rememberRegister_ =
        AddRememberBox(panels_[kRegisterPanel], QStringLiteral("REG_CHECK_REMEMBER"), 205);
    rememberLogin_->Selected(remember);
    rememberRegister_->Selected(remember);
    if (remember) {
        OfferRemembered();
    }
    ConnectButtons();
    ShowPanel(kLoginPanel);
}

void CLoginRegUI::SetUpEdits() {
    const QRegularExpression digits(QStringLiteral("[0-9]*"));
    for (const EditLimit& limit : kEdits) {
        QLineEdit* edit = ui_.*limit.edit;
        edit->setMaxLength(limit.maxLength);
        if (limit.digitsOnly) {
            edit->setValidator(new QRegularExpressionValidator(digits, edit));
        }
        if (limit.password) {
            edit->setEchoMode(QLineEdit::Password);
        }
        SetEditBorder(edit, 1, QColor(0xFFE1E1E1u), QColor(0xFF77C5E5u));
    }
    loginAccount_ = ui_.LOG_EDIT_ACCOUNT;
    loginPassword_ = ui_.LOG_EDIT_PSD;
    // The remembered password belongs to its account; typing either one gives it up.
    for (QLineEdit* edit : {loginAccount_, loginPassword_}) {
        connect(edit, &QLineEdit::textEdited, this, [this] { ShowRememberedPassword(false); });
    }
}

COptionUI* CLoginRegUI::AddRememberBox(QWidget* panel, const QString& name, int y) {
    auto* box = new COptionUI(panel);
    box->setObjectName(name);
    box->SetNormalImage(QStringLiteral("tabBtnUncheck.png"));
    box->SetSelectedImage(QStringLiteral("tabBtnCheck.png"));
    box->SetPushedImage(QStringLiteral("tabBtnCheck.png"));
    box->setToolTip(QStringLiteral("记住密码"));
    box->setCursor(Qt::PointingHandCursor);
    SetFloat(box, panel, QRect(100, y, 14, 14));
    return box;
}

void CLoginRegUI::ConnectButtons() {
    const auto requestPicture = [this](int form) {
        return [this, form] {
            RequestCodePicture(form);
        };
    };
    const auto showPanel = [this](int panel, int form) {
        return [this, panel, form] {
            ShowPanel(panel);
            RequestCodePicture(form);
        };
    };
    connect(ui_.LOG_BUTTON_REG, &QAbstractButton::clicked, this,
            showPanel(kRegisterPanel, AccountFlow::kRegisterForm));
    connect(ui_.LOG_BUTTON_FIND, &QAbstractButton::clicked, this,
            [this] { ShowPanel(kResetPanel); });
    connect(ui_.LOG_BUTTON_LOGIN, &QAbstractButton::clicked, this, &CLoginRegUI::Login);
    connect(ui_.REG_BUTTON_LOGIN, &QAbstractButton::clicked, this,
            showPanel(kLoginPanel, AccountFlow::kLoginForm));
    connect(ui_.REG_BUTTON_REG, &QAbstractButton::clicked, this, &CLoginRegUI::Register);
    connect(ui_.FIND_PSD1_BUTTON_GET, &QAbstractButton::clicked, this, &CLoginRegUI::SendResetCode);
    connect(ui_.FIND_PSD1_BUTTON_BACK, &QAbstractButton::clicked, this,
            showPanel(kLoginPanel, AccountFlow::kLoginForm));
    connect(ui_.FIND_PSD2_BUTTON_POST, &QAbstractButton::clicked, this,
            &CLoginRegUI::ResetPassword);
    // A new picture comes with "换一张" or a click on the picture itself.
    for (int form = 0; form < int(std::size(kChangeButtons)); ++form) {
        connect(ui_.*kChangeButtons[form], &QAbstractButton::clicked, this, requestPicture(form));
        connect(codeButtons_[form], &QAbstractButton::clicked, this, requestPicture(form));
    }
}

void CLoginRegUI::SetTitle(const QString& title) {
    setWindowTitle(title);
    SetControlText(ui_.labelTitle, title);
}

void CLoginRegUI::ShowPanel(int panel) {
    if (panel < kLoginPanel || panel > kNewPasswordPanel) {
        return;
    }
    panel_ = panel;
    for (int i = 0; i < int(panels_.size()); ++i) {
        panels_[i]->setVisible(i == panel);
    }
    if (panel == kResetPanel) {
        RequestCodePicture(AccountFlow::kResetForm);
    }
}

void CLoginRegUI::SetCodePicture(int form, const QString& path) {
    if (form < 0 || form >= int(codeButtons_.size())) {
        return;
    }
    CButtonUI* button = codeButtons_[form];
    // The picture may be a file rewritten within the same second: it is read anew. A reply
    // that is no picture (a page of HTML, nothing), or none at all, shows none: the button
    // offers to fetch another.
    bool picture = false;
    if (!path.isEmpty()) {
        ForgetSkinPicture(path);
        QImageReader reader(path);
        picture = !path.contains(QLatin1Char('\'')) && !reader.read().isNull();
    }
    button->SetBkImage(picture ? QStringLiteral("file='%1'").arg(path) : QString());
    button->setText(picture ? QString() : QStringLiteral("点击重试"));
}

void CLoginRegUI::ShowAccountResult(int result) {
    switch (result) {
    case AccountFlow::kLoggedIn:
        Close();
        break;
    case AccountFlow::kRegistered:
        OfferRemembered();
        rememberLogin_->Selected(rememberRegister_->IsSelected());
        ShowPanel(kLoginPanel);
        break;
    case AccountFlow::kResetCodeSent:
        ShowPanel(kNewPasswordPanel);
        break;
    case AccountFlow::kPasswordReset:
        // A password remembered before the reset no longer logs in.
        ShowRememberedPassword(false);
        loginPassword_->clear();
        ShowPanel(kLoginPanel);
        break;
    default:
        break;
    }
}

void CLoginRegUI::OfferRemembered() {
    const AccountFlow* flow = Flow();
    if (flow == nullptr) {
        return;
    }
    const RememberedPassword::Offer& offer = flow->Remembered().Offered();
    loginAccount_->setText(offer.account);
    loginPassword_->clear();
    ShowRememberedPassword(!offer.account.isEmpty() && !offer.digest.isEmpty());
}

void CLoginRegUI::ShowRememberedPassword(bool shown) {
    rememberedPassword_ = shown;
    loginPassword_->setPlaceholderText(shown ? QStringLiteral("已记住密码")
                                             : QStringLiteral("请输入密码"));
    loginPassword_->setToolTip(shown ? QStringLiteral("使用记住的密码登录，输入新密码可替换")
                                     : QString());
}

void CLoginRegUI::RequestCodePicture(int form) {
    if (AccountFlow* flow = Flow()) {
        flow->RequestCodePicture(form);
    }
}

void CLoginRegUI::Login() {
    AccountFlow* flow = Flow();
    if (flow == nullptr) {
        return;
    }
    const QString code = ui_.LOG_EDIT_CODE->text();
    const bool remember = rememberLogin_->IsSelected();
    if (rememberedPassword_) {
        flow->LoginRemembered(code, remember);
    } else {
        flow->Login(loginAccount_->text(), loginPassword_->text(), code, remember);
    }
}

void CLoginRegUI::Register() {
    if (AccountFlow* flow = Flow()) {
        flow->Register(ui_.REG_EDIT_ACCOUNT->text(), ui_.REG_EDIT_PSD->text(),
                       ui_.REG_EDIT_PSD1->text(), ui_.REG_EDIT_CODE->text());
    }
}

void CLoginRegUI::SendResetCode() {
    if (AccountFlow* flow = Flow()) {
        flow->SendResetCode(ui_.FIND_PSD1_EDIT_ACCOUNT->text(), ui_.FIND_PSD1_EDIT_CODE->text());
    }
}

void CLoginRegUI::ResetPassword() {
    if (AccountFlow* flow = Flow()) {
        flow->ResetPassword(ui_.FIND_PSD2_EDIT_CODE->text(), ui_.FIND_PSD2_EDIT_PSD1->text(),
                            ui_.FIND_PSD2_EDIT_PSD2->text());
    }
}

AccountFlow* CLoginRegUI::Flow() const {
    CloudFlows* cloud = core_.Cloud();
    return cloud != nullptr ? &cloud->Account() : nullptr;
}

} // namespace tamberlink
