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

const char* const kPanels[] = {"PanelLogin", "PanelReg", "PanelFindPSD1", "PanelFindPSD2"};
// The code buttons of the login, registration and reset forms.
const char* const kCodeButtons[] = {"LOG_BUTTON_CODE", "REG_BUTTON_CODE", "FIND_PSD1_BUTTON_CODE"};

struct EditLimit {
    const char* name;
    int maxLength;
    bool digitsOnly;
    bool password;
};

constexpr EditLimit kEdits[] = {
    {"LOG_EDIT_ACCOUNT", 11, true, false},   {"LOG_EDIT_PSD", 15, false, true},
    {"LOG_EDIT_CODE", 4, true, false},       {"REG_EDIT_ACCOUNT", 11, true, false},
    {"REG_EDIT_PSD", 15, false, true},       {"REG_EDIT_PSD1", 15, false, true},
    {"REG_EDIT_CODE", 4, true, false},       {"FIND_PSD1_EDIT_ACCOUNT", 11, true, false},
    {"FIND_PSD1_EDIT_CODE", 4, true, false}, {"FIND_PSD2_EDIT_CODE", 6, true, false},
    {"FIND_PSD2_EDIT_PSD1", 8, true, true},  {"FIND_PSD2_EDIT_PSD2", 8, true, true},
};

// Field names, right-aligned against their edits (text style 6).
const char* const kLabels[] = {
    "LOG_LABEL_ACC",        "LOG_LABEL_PSD",        "LOG_LABEL_CODE",       "REG_LABEL_ACC",
    "REG_LABEL_PSD",        "REG_LABEL_PSD1",       "REG_LABEL_CODE",       "FIND_PSD1_LABEL_ACC",
    "FIND_PSD1_LABEL_CODE", "FIND_PSD2_LABEL_CODE", "FIND_PSD2_LABEL_PSD1", "FIND_PSD2_LABEL_PSD2",
};
// Hints beside the registration edits (text style 4).
const char* const kTips[] = {"REG_TIP0", "REG_TIP1", "REG_TIP2"};

const char* const kButtons[] = {
    "LOG_BUTTON_LOGIN",      "LOG_BUTTON_REG",        "LOG_BUTTON_FIND",
    "LOG_BUTTON_CHANGE",     "REG_BUTTON_REG",        "REG_BUTTON_LOGIN",
    "REG_BUTTON_CHANGE",     "FIND_PSD1_BUTTON_GET",  "FIND_PSD1_BUTTON_CHANGE",
    "FIND_PSD1_BUTTON_BACK", "FIND_PSD2_BUTTON_POST",
};

QString Name(const char* name) {
    return QString::fromLatin1(name);
}

} // namespace

CLoginRegUI::CLoginRegUI(QWidget* parent, AppCore& core)
    : WindowImplBase(parent)
    , core_(core) {}

QStringList CLoginRegUI::RequiredControls() const {
    QStringList names{QStringLiteral("dlgTitle"), QStringLiteral("labelTitle"),
                      QStringLiteral("btnClosed")};
    const auto add = [&names](const auto& group) {
        for (const char* name : group) {
            names << Name(name);
        }
    };
    add(kPanels);
    add(kCodeButtons);
    add(kButtons);
    for (const EditLimit& edit : kEdits) {
        names << Name(edit.name);
    }
    return names;
}

void CLoginRegUI::InitWindow() {
    SetBkImage(FindControl(QStringLiteral("dlgTitle")), QStringLiteral("bgHead.png"));
    SetTitle(windowTitle());
    for (int i = 0; i < int(std::size(kPanels)); ++i) {
        panels_[i] = FindControl(Name(kPanels[i]));
    }
    for (int i = 0; i < int(std::size(kCodeButtons)); ++i) {
        codeButtons_[i] = FindControl<CButtonUI>(Name(kCodeButtons[i]));
    }
    SetUpEdits();
    for (const char* name : kLabels) {
        if (auto* label = FindControl<QLabel>(Name(name))) {
            label->setAlignment(TextAlignment(6));
        }
    }
    for (const char* name : kTips) {
        if (auto* label = FindControl<QLabel>(Name(name))) {
            label->setAlignment(TextAlignment(4));
        }
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
        auto* edit = FindControl<QLineEdit>(Name(limit.name));
        edit->setMaxLength(limit.maxLength);
        if (limit.digitsOnly) {
            edit->setValidator(new QRegularExpressionValidator(digits, edit));
        }
        if (limit.password) {
            edit->setEchoMode(QLineEdit::Password);
        }
        SetEditBorder(edit, 1, QColor(0xFFE1E1E1u), QColor(0xFF77C5E5u));
    }
    loginAccount_ = FindControl<QLineEdit>(QStringLiteral("LOG_EDIT_ACCOUNT"));
    loginPassword_ = FindControl<QLineEdit>(QStringLiteral("LOG_EDIT_PSD"));
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
    ConnectClicked(QStringLiteral("LOG_BUTTON_REG"), this,
                   showPanel(kRegisterPanel, AccountFlow::kRegisterForm));
    ConnectClicked(QStringLiteral("LOG_BUTTON_FIND"), this, [this] { ShowPanel(kResetPanel); });
    ConnectClicked(QStringLiteral("LOG_BUTTON_LOGIN"), this, &CLoginRegUI::Login);
    ConnectClicked(QStringLiteral("REG_BUTTON_LOGIN"), this,
                   showPanel(kLoginPanel, AccountFlow::kLoginForm));
    ConnectClicked(QStringLiteral("REG_BUTTON_REG"), this, &CLoginRegUI::Register);
    ConnectClicked(QStringLiteral("FIND_PSD1_BUTTON_GET"), this, &CLoginRegUI::SendResetCode);
    ConnectClicked(QStringLiteral("FIND_PSD1_BUTTON_BACK"), this,
                   showPanel(kLoginPanel, AccountFlow::kLoginForm));
    ConnectClicked(QStringLiteral("FIND_PSD2_BUTTON_POST"), this, &CLoginRegUI::ResetPassword);
    // A new picture comes with "换一张" or a click on the picture itself.
    const char* const changes[] = {"LOG_BUTTON_CHANGE", "REG_BUTTON_CHANGE",
                                   "FIND_PSD1_BUTTON_CHANGE"};
    for (int form = 0; form < int(std::size(changes)); ++form) {
        ConnectClicked(Name(changes[form]), this, requestPicture(form));
        ConnectClicked(Name(kCodeButtons[form]), this, requestPicture(form));
    }
}

void CLoginRegUI::SetTitle(const QString& title) {
    setWindowTitle(title);
    SetControlText(FindControl(QStringLiteral("labelTitle")), title);
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
    const QString code = Text("LOG_EDIT_CODE");
    const bool remember = rememberLogin_->IsSelected();
    if (rememberedPassword_) {
        flow->LoginRemembered(code, remember);
    } else {
        flow->Login(loginAccount_->text(), loginPassword_->text(), code, remember);
    }
}

void CLoginRegUI::Register() {
    if (AccountFlow* flow = Flow()) {
        flow->Register(Text("REG_EDIT_ACCOUNT"), Text("REG_EDIT_PSD"), Text("REG_EDIT_PSD1"),
                       Text("REG_EDIT_CODE"));
    }
}

void CLoginRegUI::SendResetCode() {
    if (AccountFlow* flow = Flow()) {
        flow->SendResetCode(Text("FIND_PSD1_EDIT_ACCOUNT"), Text("FIND_PSD1_EDIT_CODE"));
    }
}

void CLoginRegUI::ResetPassword() {
    if (AccountFlow* flow = Flow()) {
        flow->ResetPassword(Text("FIND_PSD2_EDIT_CODE"), Text("FIND_PSD2_EDIT_PSD1"),
                            Text("FIND_PSD2_EDIT_PSD2"));
    }
}

AccountFlow* CLoginRegUI::Flow() const {
    CloudFlows* cloud = core_.Cloud();
    return cloud != nullptr ? &cloud->Account() : nullptr;
}

QString CLoginRegUI::Text(const char* edit) const {
    const auto* control = FindControl<QLineEdit>(Name(edit));
    return control != nullptr ? control->text() : QString();
}

} // namespace tamberlink
