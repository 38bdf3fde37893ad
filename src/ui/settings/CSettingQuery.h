#pragma once

#include "ui/settings/CSettingBaseUI.h"

class QLabel;
class QLineEdit;

namespace tamberlink {

class AppCore;

// "归属地查询": a number typed under "请输入号码" and "查询" show where the number belongs,
// as the incoming-call popup would show it for a call from that number.
class CSettingQuery : public CSettingBaseUI {
    Q_OBJECT

public:
    static constexpr int kNumberMaxLength = 20;

    CSettingQuery(QWidget* parent, AppCore& core);

    QString GetWindowClassName() const override { return QStringLiteral("CSettingPrefix"); }

    // Looks up the number typed and shows the result.
    void Query();
    QLineEdit* NumberEdit() const { return edit_; }
    QString Result() const;

protected:
    void InitContent() override;

private:
    QLineEdit* edit_ = nullptr;
    QLabel* result_ = nullptr;
};

} // namespace tamberlink
