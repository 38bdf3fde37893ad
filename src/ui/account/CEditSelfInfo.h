#pragma once

#include "ui/settings/CSettingBaseUI.h"
#include "ui/shell/SingleInstance.h"
#include "ui_dlg_edit_info.h"

class QLineEdit;

namespace tamberlink {

class AppCore;

// The signed-in user's name and company. "btnOk" stores them and the account panel shows
// them; "btnCancel" and "btnClosed" only close.
class CEditSelfInfo : public CSettingBaseUI, public SingleInstance<CEditSelfInfo> {
    Q_OBJECT

public:
    CEditSelfInfo(QWidget* parent, AppCore& core);

    QString GetWindowClassName() const override { return QStringLiteral("CEditSelfInfo"); }
    QWidget* BuildForm() override { return SetUpDialogForm(ui_); }

protected:
    void InitWindow() override;

private:
    void Save();

    AppCore& core_;
    QLineEdit* name_ = nullptr;
    QLineEdit* company_ = nullptr;
    Ui::dlg_edit_info ui_;
};

} // namespace tamberlink
