#pragma once

#include "app/UiSink.h"
#include "ui/calls/CallPopup.h"
#include "ui_dlg_callin.h"

namespace tamberlink {

// "固话来电", or "手机来电" for a call to the companion phone: who is calling (contact name, number
// and where the number belongs), with buttons to reject the call and to write a note about it.
// "拦截" rejects the caller's calls from now on, this one too; for a caller a nuisance rule
// labelled, "不是骚扰" puts the number on the whitelist instead. A
// window of its own above the others, in the bottom right corner of the screen; at most one exists.
class CCallInUI : public CallPopup {
    Q_OBJECT

public:
    explicit CCallInUI(AppCore& core);

    void Fill(const IncomingCall& call);

    QWidget* BuildForm() override { return SetUpForm(ui_); }

signals:
    // "记笔记": a note about this caller.
    void NoteRequested(const QString& name, const QString& number, const QString& head);

protected:
    void InitWindow() override;

private:
    void SetTitle(const QString& title);
    void WriteNote();
    void Reject();
    void BlockOrWhitelist();

    IncomingCall call_;
    Ui::dlg_callin ui_;
};

} // namespace tamberlink
