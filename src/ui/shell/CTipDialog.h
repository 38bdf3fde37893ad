#pragma once

#include "ui/settings/CSettingBaseUI.h"
#include "ui_dlg_tip.h"

#include <functional>

namespace tamberlink {

// A yes/no confirmation: the question in "LabelTip", "ButtonOK" runs the action and closes,
// "ButtonCancel" and "btnClosed" only close.
class CTipDialog : public CSettingBaseUI {
    Q_OBJECT

public:
    CTipDialog(QWidget* parent, const QString& text, std::function<void()> onOk,
               const QString& title = QStringLiteral("提示"));

    QWidget* BuildForm() override { return SetUpDialogForm(ui_); }

protected:
    void InitContent() override;

private:
    void Confirm();

    QString text_;
    std::function<void()> onOk_;
    Ui::dlg_tip ui_;
};

// Asks `text` over the window of `page`, where the pages ask their questions; the answer
// runs `onOk` only while the page still exists.
CTipDialog* AskOnPage(QWidget* page, const QString& text, std::function<void()> onOk);

} // namespace tamberlink
