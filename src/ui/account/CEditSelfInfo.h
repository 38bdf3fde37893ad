#pragma once

#include "ui/settings/CSettingBaseUI.h"
#include "ui/shell/SingleInstance.h"

class QLineEdit;

namespace Ui {
class dlg_edit_info;
}

namespace tamberlink {

class AppCore;

// The signed-in user's name and company. "btnOk" stores them and the account panel shows
// them; "btnCancel" and "btnClosed" only close.
class CEditSelfInfo : public CSettingBaseUI, public SingleInstance<CEditSelfInfo> {
    Q_OBJECT

public:
    CEditSelfInfo(QWidget* parent, AppCore& core);
    ~CEditSelfInfo() override;

    QString GetWindowClassName() const override { return QStringLiteral("CEditSelfInfo"); }
    QWidget* BuildForm() override;

protected:
    void InitWindow() override;

private:
    void Save();

    AppCore& core_;
    QLineEdit* name_ = nullptr;
    QLineEdit* company_ = nullptr;
    std::unique_ptr<Ui::dlg_edit_info> ui_;
};

} // namespace tamberlink
