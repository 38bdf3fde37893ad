#include "ui/calls/CCallInUI.h"

#include "ui/calls/CallContext.h"
#include "ui/nuisance/NuisanceActions.h"
#include "ui/widgets/CButtonUI.h"
#include "ui/widgets/Controls.h"

#include <QLabel>
#include <QStyle>

namespace tamberlink {

CCallInUI::CCallInUI(AppCore& core)
    : CallPopup(core, nullptr, Qt::Tool | Qt::WindowStaysOnTopHint | Qt::FramelessWindowHint) {}

void CCallInUI::SetTitle(const QString& title) {
    setWindowTitle(title);
    SetControlText(ui_.labelTitle, title);
}

void CCallInUI::InitWindow() {
    SetControlText(ui_.labelTitle, windowTitle());
    SetBkImage(ui_.btnHead, QStringLiteral("bgHeadDefaulte2_big.png"));
    if (auto* cloud = ui_.btnYun) {
        cloud->SetForeImage(QStringLiteral("file='iconYun.png' dest='25,15,46,30'"));
        cloud->SetTextPadding(QMargins(10, 0, 0, 0));
    }
    if (auto* note = ui_.btnAddRecord) {
        note->SetForeImage(QStringLiteral("file='iconRecord.png' dest='20,15,41,30'"));
        note->SetTextPadding(QMargins(15, 0, 0, 0));
    }
    PrepareRecordControls(ui_);
    connect(ui_.btnAddRecord, &QAbstractButton::clicked, this, &CCallInUI::WriteNote);
    connect(ui_.btnReject, &QAbstractButton::clicked, this, &CCallInUI::Reject);
    connect(ui_.btnNuisance, &QAbstractButton::clicked, this, &CCallInUI::BlockOrWhitelist);
}

void CCallInUI::Fill(const IncomingCall& call) {
    call_ = call;
    SetTitle(call.onPhone ? QStringLiteral("手机来电") : QStringLiteral("固话来电"));
    SetControlText(ui_.labelName, call.name.isEmpty() ? QStringLiteral("未知联系人") : call.name);
    SetControlText(ui_.labelPhone, call.number);
    // A nuisance rule's label goes before the place, in red, so that the user sees why.
    const bool labelled = !call.nuisanceLabel.isEmpty();
    SetControlText(ui_.labelAddr, labelled
                                      ? call.nuisanceLabel + QStringLiteral("  ") + call.attribution
                                      : call.attribution);
    ui_.labelAddr->setToolTip(ui_.labelAddr->text());
    ui_.labelAddr->setProperty("skin",
                               labelled ? QStringLiteral("alert") : QStringLiteral("muted"));
    ui_.labelAddr->style()->unpolish(ui_.labelAddr);
    ui_.labelAddr->style()->polish(ui_.labelAddr);
    SetControlText(ui_.btnNuisance, labelled ? QStringLiteral("不是骚扰") : QStringLiteral("拦截"));
    ui_.btnNuisance->setVisible(!call.number.isEmpty());
    SetControlText(ui_.labelContext, CallContext::For(core_, call.number));
}

void CCallInUI::WriteNote() {
    const IncomingCall call = call_;
    Close();
    emit NoteRequested(call.name, call.number, call.head);
}

void CCallInUI::Reject() {
    HangUp();
    Close();
}

void CCallInUI::BlockOrWhitelist() {
    const QStringList number{call_.number};
    if (!call_.nuisanceLabel.isEmpty()) {
        if (nuisance_actions::MarkNotNuisance(core_, number) > 0) {
            IncomingCall cleared = call_;
            cleared.nuisanceLabel.clear();
            Fill(cleared);
        }
    } else if (nuisance_actions::BlockCallers(core_, number) > 0) {
        Reject();
    }
}

} // namespace tamberlink
