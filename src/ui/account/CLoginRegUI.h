#pragma once

#include "ui/widgets/WindowImplBase.h"
#include "ui_dlg_login.h"

#include <array>

class QLineEdit;

namespace tamberlink {

class AccountFlow;
class AppCore;
class CButtonUI;
class COptionUI;

// The account window: login, registration and the two steps of a password reset, one panel
// at a time, each form guarded by a picture code. Exists at most once. The login form offers
// the remembered account, and its remembered password until the user types another.
class CLoginRegUI : public WindowImplBase {
    Q_OBJECT

public:
    static constexpr QPoint kPosition{160, 140};
    enum Panel { kLoginPanel = 0, kRegisterPanel = 1, kResetPanel = 2, kNewPasswordPanel = 3 };

    CLoginRegUI(QWidget* parent, AppCore& core);

    QWidget* BuildForm() override { return SetUpForm(ui_); }

    void SetTitle(const QString& title);
    // Shows one panel and hides the others; the first reset step fetches its picture code.
    void ShowPanel(int panel);
    int CurrentPanel() const { return panel_; }
    // Puts the picture file on the code button of a form (AccountFlow::CodeForm). A file that
    // holds no picture, or an empty path (none could be fetched), leaves the button without
    // one, reading "点击重试": a click fetches another.
    void SetCodePicture(int form, const QString& path);
    // An account request succeeded (AccountFlow::Result).
    void ShowAccountResult(int result);
    // The login sends the remembered password: it is offered and no other was typed.
    bool UsesRememberedPassword() const { return rememberedPassword_; }

protected:
    void InitWindow() override;

private:
    void SetUpEdits();
    COptionUI* AddRememberBox(QWidget* panel, const QString& name, int y);
    void ConnectButtons();
    // Fills the login form with the offered account and password.
    void OfferRemembered();
    void ShowRememberedPassword(bool shown);
    void RequestCodePicture(int form);
    void Login();
    void Register();
    void SendResetCode();
    void ResetPassword();
    AccountFlow* Flow() const;

    AppCore& core_;
    std::array<QWidget*, 4> panels_{};
    int panel_ = kLoginPanel;
    std::array<CButtonUI*, 3> codeButtons_{};
    QLineEdit* loginAccount_ = nullptr;
    QLineEdit* loginPassword_ = nullptr;
    COptionUI* rememberLogin_ = nullptr;
    COptionUI* rememberRegister_ = nullptr;
    bool rememberedPassword_ = false;
    Ui::dlg_login ui_;
};

} // namespace tamberlink
