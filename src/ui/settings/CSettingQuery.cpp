#include "ui/settings/CSettingQuery.h"

#include "app/AppCore.h"
#include "app/DeviceBridge.h"
#include "ui/widgets/Controls.h"
#include "ui/widgets/NumberValidator.h"

#include <QLabel>
#include <QLineEdit>

namespace tamberlink {

CSettingQuery::CSettingQuery(QWidget* parent, AppCore& core)
    : CSettingBaseUI(parent, QStringLiteral("归属地查询"), core) {}

void CSettingQuery::InitContent() {
    AddLabel(QRect(40, 22, 278, 24), QStringLiteral("请输入号码"));
    edit_ = AddEdit(QRect(40, 50, 278, 34), QString());
    edit_->setValidator(new NumberValidator(edit_));
    edit_->setMaxLength(kNumberMaxLength);
    result_ = AddLabel(QRect(20, 96, 318, 34), QString());
    result_->setAlignment(TextAlignment(1));
    result_->setTextFormat(Qt::PlainText);
    SetTextColor(result_, QColor(0xFF2D7FF9u));
    connect(edit_, &QLineEdit::returnPressed, this, &CSettingQuery::Query);
    connect(AddButton(125, 150, QStringLiteral("查询")), &QAbstractButton::clicked, this,
            &CSettingQuery::Query);
    edit_->setFocus();
}

void CSettingQuery::Query() {
    const QString number = edit_->text();
    // Nothing typed is no number to look up.
    result_->setText(number.isEmpty() ? QStringLiteral("请输入号码")
                                      : Core().Device().Calls().LookUpCaller(number).Text());
}

QString CSettingQuery::Result() const {
    return result_ != nullptr ? result_->text() : QString();
}

} // namespace tamberlink
