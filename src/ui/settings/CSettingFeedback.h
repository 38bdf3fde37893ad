#pragma once

#include "ui/settings/CSettingBaseUI.h"
#include "ui/shell/SingleInstance.h"

class QLineEdit;
class QTextEdit;

namespace tamberlink {

class AppCore;

// "意见反馈": the user's opinion and a contact number, sent as they are with "提交". The
// window stays open until the service answers; then it closes and thanks the user.
class CSettingFeedback : public CSettingBaseUI, public SingleInstance<CSettingFeedback> {
    Q_OBJECT

public:
    CSettingFeedback(QWidget* parent, AppCore& core);

    QString GetWindowClassName() const override { return QStringLiteral("CSettingFeedback"); }

protected:
    void InitWindow() override;

private:
    void Submit();

    AppCore& core_;
    QTextEdit* content_ = nullptr;
    QLineEdit* contact_ = nullptr;
};

} // namespace tamberlink
