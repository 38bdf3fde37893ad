#pragma once

#include "ui/settings/CSettingBaseUI.h"

class QLineEdit;

namespace tamberlink {

class AppCore;

// "服务器设置": the address of the cloud service the account, the backup and the sync use,
// so that an office can run its own. "确定" stores an http or https address; an empty one
// (or "恢复默认") goes back to the program's own.
class CSettingServer : public CSettingBaseUI {
    Q_OBJECT

public:
    CSettingServer(QWidget* parent, AppCore& core);

    QLineEdit* AddressEdit() const { return address_; }

protected:
    void InitContent() override;

private:
    void Save();

    QLineEdit* address_ = nullptr;
};

} // namespace tamberlink
