#pragma once

#include "ui/widgets/WindowImplBase.h"
#include "ui_dlg_import_excel.h"

#include <functional>

class QLineEdit;

namespace tamberlink {

// The import of a call list ("导入联系人"): the columns of the names and the numbers, each a
// letter A-Z, then "ButtonSave" hands both texts to the import, which checks them, asks for
// the workbook and loads it. The dialog closes once the import took the texts; refused
// texts keep it open with what was typed. Exists at most once.
class CImportExcel : public WindowImplBase {
    Q_OBJECT

public:
    // False when the column texts were refused (the import has told the user why).
    using ImportFunction =
        std::function<bool(const QString& nameColumn, const QString& numberColumn)>;

    static constexpr QPoint kPosition{250, 150};
    static QString Title() { return QStringLiteral("导入联系人"); }

    CImportExcel(QWidget* parent, ImportFunction import);

    QLineEdit* NameEdit() const { return name_; }
    QLineEdit* NumberEdit() const { return number_; }

    QWidget* BuildForm() override { return SetUpForm(ui_); }

protected:
    void InitWindow() override;

private:
    void Save();

    ImportFunction import_;
    QLineEdit* name_ = nullptr;
    QLineEdit* number_ = nullptr;
    Ui::dlg_import_excel ui_;
};

} // namespace tamberlink
