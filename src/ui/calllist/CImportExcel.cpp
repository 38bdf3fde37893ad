#include "ui/calllist/CImportExcel.h"

#include "ui/widgets/Controls.h"

#include <QLineEdit>
#include <QPointer>

namespace tamberlink {

CImportExcel::CImportExcel(QWidget* parent, ImportFunction import)
    : WindowImplBase(parent)
    , import_(std::move(import)) {}

void CImportExcel::InitWindow() {
    SetControlText(ui_.labelTitle, windowTitle());
    name_ = ui_.EditName;
    number_ = ui_.EditNumber;
    connect(ui_.ButtonSave, &QAbstractButton::clicked, this, &CImportExcel::Save);
    connect(ui_.ButtonCancel, &QAbstractButton::clicked, this, &CImportExcel::Close);
    connect(ui_.ButtonClosed, &QAbstractButton::clicked, this, &CImportExcel::Close);
    // Enter in either box imports, as the button does.
    connect(name_, &QLineEdit::returnPressed, this, &CImportExcel::Save);
    connect(number_, &QLineEdit::returnPressed, this, &CImportExcel::Save);
}

void CImportExcel::Save() {
    // The import asks for the file in a dialog of its own, with an event loop of its own:
    // the dialog is looked at again once that is over.
    const QPointer<CImportExcel> self(this);
    const bool taken = import_ && import_(name_->text(), number_->text());
    if (self != nullptr && taken) {
        Close();
    }
}

} // namespace tamberlink
