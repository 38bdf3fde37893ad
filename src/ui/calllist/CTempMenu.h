#pragma once

#include "ui/widgets/WindowImplBase.h"
#include "ui_menu_calllist_status.h"

namespace tamberlink {

// The status menu of a temporary contact, "menu_0" to "menu_4" for the five statuses, made
// at the cursor for one row and closed when the user clicks elsewhere. A choice closes the
// menu and reports the status; the list shows it without writing it anywhere.
class CTempMenu : public WindowImplBase {
    Q_OBJECT

public:
    CTempMenu(QWidget* parent, int row);

    // The sheet row the menu was opened for.
    int Row() const { return row_; }

    QString GetWindowClassName() const override { return QStringLiteral("CDuiMenu"); }
    QWidget* BuildForm() override { return SetUpForm(ui_); }

signals:
    void StatusChosen(int row, int status);

protected:
    void InitWindow() override;

private:
    const int row_;
    Ui::menu_calllist_status ui_;
};

} // namespace tamberlink
