#include "ui/calls/CCallOutUI.h"

#include "ui/calls/CallContext.h"
#include "ui/widgets/Controls.h"

#include <QLabel>
#include <QTimer>

namespace tamberlink {

CCallOutUI::CCallOutUI(QWidget* mainWindow, AppCore& core)
    : CallPopup(core, mainWindow, {}) {}

QString CCallOutUI::ElapsedText(int seconds) {
    const auto part = [](int value) {
        return value < 10 ? QStringLiteral("0%1").arg(value) : QString::number(value);
    };
    return QStringLiteral("%1:%2:%3")
        .arg(part(seconds / 3600), part(seconds % 3600 / 60), part(seconds % 60));
}

void CCallOutUI::InitWindow() {
    SetControlText(ui_.labelTitle, windowTitle());
    SetBkImage(ui_.btnHead, QStringLiteral("bgHeadDefaulte2_big.png"));
    SetBkImage(ui_.ControlTip, QStringLiteral("callout_tip.png"));
    name_ = ui_.labelName;
    mobile_ = ui_.labelMobile;
    addr_ = ui_.labelAddr;
    time_ = ui_.labelTime;
    PrepareRecordControls(ui_);
    clock_ = new QTimer(this);
    connect(clock_, &QTimer::timeout, this, &CCallOutUI::Tick);
    connect(ui_.ButtonReject, &QAbstractButton::clicked, this, &CCallOutUI::OnCloseClicked);
}

void CCallOutUI::Fill(const OutgoingCall& call) {
    SetControlText(name_, call.name);
    // What was dialled: a call through the phone has no prefix to show.
    SetControlText(mobile_, call.prefix.isEmpty() ? call.number : call.prefix + u' ' + call.number);
    SetControlText(addr_, call.display);
    SetControlText(ui_.labelContext, CallContext::For(core_, call.number));
    elapsed_ = 0;
    clock_->start(1000);
    SetControlText(time_, ElapsedText(elapsed_));
}

void CCallOutUI::Tick() {
    ++elapsed_;
    SetControlText(time_, ElapsedText(elapsed_));
}

void CCallOutUI::OnCloseClicked() {
    HangUp();
    Close();
}

} // namespace tamberlink
