#pragma once

#include "ui/settings/CSettingBaseUI.h"

class QLabel;

namespace tamberlink {

class AppCore;

// "版本更新": the program's version and the result of a check for a newer one. Its button
// checks ("检查更新") until a newer version is found, then opens that version's download
// page and closes ("立即更新").
class CSettingUpdate : public CSettingBaseUI {
    Q_OBJECT

public:
    CSettingUpdate(QWidget* parent, AppCore& core);

    // A newer version `num` to download from `url`, or none.
    void ShowResult(bool found, const QString& num = {}, const QString& url = {});
    QString Message() const;

protected:
    void InitContent() override;

private:
    void OnButton();

    QLabel* message_ = nullptr;
    CSettingButton* button_ = nullptr;
    QString url_; // the download address of the newer version found; empty before
};

} // namespace tamberlink
