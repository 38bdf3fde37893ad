#pragma once

#include "ui/shell/SingleInstance.h"
#include "ui/widgets/WindowImplBase.h"
#include "ui_dlg_top_call.h"

class QLineEdit;

namespace tamberlink {

// "快捷拨号": offers a number copied to the clipboard for a landline call, a call through
// the phone or an SMS. A small window of its own that stays on top; each button closes it.
class CTopCall : public WindowImplBase, public SingleInstance<CTopCall> {
    Q_OBJECT

public:
    explicit CTopCall(QWidget* parent = nullptr);

    // Shows `number` in the popup near `globalPos` (kept on the screen), creating the popup
    // when there is none, without taking the focus from the window the user works in.
    // Returns the popup, or nullptr when its skin cannot be loaded.
    static CTopCall* Offer(const QString& number, const QPoint& globalPos);

    void SetNumber(const QString& number);
    QString Number() const;

    QString GetWindowClassName() const override { return QStringLiteral("CTopCall"); }
    QWidget* BuildForm() override { return SetUpForm(ui_); }

signals:
    void DialRequested(const QString& number, bool throughPhone);
    void SmsRequested(const QString& number);

protected:
    void InitWindow() override;

private:
    // Each button closes the popup first, then hands the number on.
    void Dial(bool throughPhone);
    void Text();

    QLineEdit* edit_ = nullptr;
    Ui::dlg_top_call ui_;
};

} // namespace tamberlink
