#pragma once

#include "ui/widgets/WindowImplBase.h"
#include "ui_dlg_top_call.h"

class QLineEdit;

namespace tamberlink {

// "快捷拨号": offers a number copied to the clipboard for a landline call, a call through
// the phone or an SMS. A small window of its own that stays on top; each button closes it.
class CTopCall : public WindowImplBase {
    Q_OBJECT

public:
    explicit CTopCall(QWidget* parent = nullptr);

    // Shows `number` in the popup near `globalPos` (kept on the screen), creating the popup
    // tracked by `open`, or in a new one that `open` then tracks, without taking the focus from
    // the window the user works in.
    static CTopCall* Offer(QPointer<CTopCall>& open, const QString& number,
                           const QPoint& globalPos);

    void SetNumber(const QString& number);
    QString Number() const;

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
