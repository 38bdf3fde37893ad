#pragma once

#include "ui/settings/CSettingBaseUI.h"

class QLineEdit;
class QTextEdit;

namespace tamberlink {

class AppCore;

// "意见反馈": the user's opinion and a contact number, sent as they are with "提交". The
// window stays open until the service answers; then it closes and thanks the user.
class CSettingFeedback : public CSettingBaseUI {
    Q_OBJECT

public:
    CSettingFeedback(QWidget* parent, AppCore& core);

protected:
    void InitContent() override;

private:
    void Submit();

    QTextEdit* content_ = nullptr;
    QLineEdit* contact_ = nullptr;
};

} // namespace tamberlink
