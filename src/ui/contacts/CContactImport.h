#pragma once

#include "contactfile/ContactFiles.h"
#include "ui/widgets/WindowImplBase.h"
#include "ui_dlg_contact_import.h"

namespace tamberlink {

class AppCore;

// "导入联系人": what a contact file holds before anything is written: how many cards, how
// many of their numbers are new and how many a contact has already, and each card or row that
// cannot be imported, with its reason. A CSV's encoding can be changed (the file is read
// again). "导入" stores it all in one go, the stored numbers skipped or, when the user asks,
// their empty fields filled, and tells the user what it did.
class CContactImport : public WindowImplBase {
    Q_OBJECT

public:
    CContactImport(QWidget* parent, AppCore& core);

    QWidget* BuildForm() override { return SetUpForm(ui_); }

    // Reads `path` and shows what an import would do.
    void Preview(const QString& path);
    const ContactImportPreview& Shown() const { return preview_; }
    // "导入"; false when nothing was stored (the dialog then stays open).
    bool Import();

protected:
    void InitWindow() override;

private:
    void Show(const ContactImportPreview& preview);

    AppCore& core_;
    ContactImportPreview preview_;
    Ui::dlg_contact_import ui_{};
};

} // namespace tamberlink
