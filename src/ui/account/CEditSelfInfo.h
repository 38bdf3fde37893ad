#pragma once

#include "ui/settings/CSettingBaseUI.h"
#include "ui_dlg_edit_info.h"

class QLineEdit;

namespace tamberlink {

class AppCore;

// The signed-in user's name and company. "btnOk" stores them and the account panel shows
// them; "btnCancel" and "btnClosed" only close.
class CEditSelfInfo : public CSettingBaseUI {
    Q_OBJECT

public:
    CEditSelfInfo(QWidget* parent, AppCore& core);

    QWidget* BuildForm() override { return SetUpDialogForm(ui_); }

protected:
    void InitContent() override;

private:
    void Save();

    QLineEdit* name_ = nullptr;
    QLineEdit* company_ = nullptr;
    Ui::dlg_edit_info ui_;
};

} // namespace tamberlink
