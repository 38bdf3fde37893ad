#include "ui/calllist/CImportExcel.h"

#include "ui/widgets/Controls.h"

#include <QLineEdit>
#include <QPointer>

namespace tamberlink {

CImportExcel::CImportExcel(QWidget* parent, ImportFunction import)
    : WindowImplBase(parent)
    , import_(std::move(import)) {}

QStringList CImportExcel::RequiredControls() const {
    return {QStringLiteral("labelTitle"),   QStringLiteral("EditName"),
            QStringLiteral("EditNumber"),   QStringLiteral("ButtonSave"),
            QStringLiteral("ButtonCancel"), QStringLiteral("ButtonClosed")};
}

void CImportExcel::InitWindow() {
    SetControlText(FindControl(QStringLiteral("labelTitle")), windowTitle());
    name_ = FindControl<QLineEdit>(QStringLiteral("EditName"));
    number_ = FindControl<QLineEdit>(QStringLiteral("EditNumber"));
    ConnectClicked(QStringLiteral("ButtonSave"), this, &CImportExcel::Save);
    ConnectClicked(QStringLiteral("ButtonCancel"), this, &CImportExcel::Close);
    ConnectClicked(QStringLiteral("ButtonClosed"), this, &CImportExcel::Close);
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
