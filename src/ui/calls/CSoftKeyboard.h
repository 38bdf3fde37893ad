#pragma once

#include "ui/widgets/WindowImplBase.h"
#include "ui_dlg_keyboard.h"

namespace tamberlink {

// "键盘": the on-screen keypad of the call records page. The keys "btnKey0" to "btnKey9"
// type their digit; "btnDelete" takes the last character back; "btnClosed" asks the page to
// close it.
class CSoftKeyboard : public WindowImplBase {
    Q_OBJECT

public:
    static constexpr QPoint kPosition{414, 310};

    explicit CSoftKeyboard(QWidget* parent);

    QWidget* BuildForm() override { return SetUpForm(ui_); }

signals:
    // A key was pressed: its digit, or the empty text for the delete key.
    void Input(const QString& text);
    void CloseRequested();

protected:
    void InitWindow() override;
    void OnCloseClicked() override { emit CloseRequested(); }
    Ui::dlg_keyboard ui_;
};

} // namespace tamberlink
