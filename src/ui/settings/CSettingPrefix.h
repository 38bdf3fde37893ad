#pragma once

#include "ui/settings/CSettingBaseUI.h"

class QLineEdit;

namespace tamberlink {

class AppCore;

// The extension number (mode 0, "分机号设置") or the local area code (mode 1,
// "本地区号设置"): one edit and "确定", which stores the text through the core's setter.
// One dialog serves both modes, so at most one of them is open.
class CSettingPrefix : public CSettingBaseUI {
    Q_OBJECT

public:
    enum Mode { kExtension = 0, kAreaCode = 1 };

    CSettingPrefix(QWidget* parent, AppCore& core, int mode);

    static QString TitleFor(int mode);

protected:
    void InitContent() override;

private:
    void Save();

    int mode_;
    QLineEdit* edit_ = nullptr;
};

} // namespace tamberlink
