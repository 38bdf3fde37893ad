#pragma once

#include "ui/settings/CSettingBaseUI.h"
#include "ui_dlg_contact_sync.h"

#include <vector>

namespace tamberlink {

struct AddressBookInfo;
struct SyncOutcome;

// "通讯录同步": the CardDAV server's address (a server, whose address books are found, or an
// address book's own URL), the user and password (kept in the desktop keyring), the address
// book to sync, "立即同步", and when the last sync ended and how.
class CContactSync : public CSettingBaseUI {
    Q_OBJECT

public:
    CContactSync(QWidget* parent, AppCore& core);

    QWidget* BuildForm() override { return SetUpDialogForm(ui_); }
    const Ui::dlg_contact_sync& Form() const { return ui_; }

protected:
    void InitContent() override;

private:
    void Discover();
    void OnBooksFound(const std::vector<AddressBookInfo>& books, const QString& error);
    // Keeps the account; false, with a notice, when something is missing.
    bool Save();
    void SyncNow();
    void ShowLastSync();
    void OnSyncFinished(const SyncOutcome& outcome);
    void SetBusy(bool busy);

    Ui::dlg_contact_sync ui_{};
};

} // namespace tamberlink
