#pragma once

#include "calllist/TempContact.h"
#include "ui/widgets/WindowImplBase.h"
#include "ui_dlg_temp_contact.h"

#include <functional>

class QComboBox;
class QTextEdit;

namespace tamberlink {

// The status and remark of one temporary contact ("编辑备注"): name and number, the five
// statuses in "ComboStatus" (preselected with the contact's; others preselect "未联系") and
// the remark box in "ContainerRemarks". "ButtonSave" hands the row, the chosen status and
// the remark to the save, and closes unless the save asks to try again (the workbook could
// not be written), so that nothing typed is lost.
class CDialogTempContact : public WindowImplBase {
    Q_OBJECT

public:
    // True when the dialog is done: saved, or there is nothing left to save to.
    using SaveFunction = std::function<bool(int row, int status, const QString& remark)>;

    static constexpr QPoint kPosition{240, 130};
    static QString Title() { return QStringLiteral("编辑备注"); }

    CDialogTempContact(QWidget* parent, const TempContact& contact, SaveFunction save);

    // The sheet row of the contact the dialog edits.
    int Row() const { return contact_.row; }
    QComboBox* StatusBox() const { return status_; }
    QTextEdit* RemarkBox() const { return remark_; }

    QWidget* BuildForm() override { return SetUpForm(ui_); }

protected:
    void InitWindow() override;

private:
    void Save();

    TempContact contact_;
    SaveFunction save_;
    QComboBox* status_ = nullptr;
    QTextEdit* remark_ = nullptr;
    Ui::dlg_temp_contact ui_;
};

} // namespace tamberlink
