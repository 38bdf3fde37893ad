#include "ui/calls/CCallOutUI.h"

#include "ui/widgets/Controls.h"

#include <QLabel>
#include <QTimer>

namespace tamberlink {

CCallOutUI::CCallOutUI(QWidget* mainWindow, AppCore& core)
    : CallPopup(core, mainWindow, {}) {}

CCallOutUI* CCallOutUI::Show(QWidget* mainWindow, AppCore& core, const OutgoingCall& call) {
    CCallOutUI* popup = Instance();
    if (popup == nullptr) {
        popup = new CCallOutUI(mainWindow, core);
        if (!popup->Create(QStringLiteral("拨打电话"))) {
            popup->Close();
            return nullptr;
        }
    }
    popup->Fill(call);
    popup->ShowAt(kPosition);
    return popup;
}

QString CCallOutUI::ElapsedText(int seconds) {
    const auto part = [](int value) {
        return value < 10 ? QStringLiteral("0%1").arg(value) : QString::number(value);
    };
    return QStringLiteral("%1:%2:%3")
        .arg(part(seconds / 3600), part(seconds % 3600 / 60), part(seconds % 60));
}

QStringList CCallOutUI::RequiredControls() const {
    return {QStringLiteral("labelName"),    QStringLiteral("labelMobile"),
            QStringLiteral("labelAddr"),    QStringLiteral("labelTime"),
            QStringLiteral("ButtonReject"), QStringLiteral("btnClosed")};
}

void CCallOutUI::InitWindow() {
    SetControlText(FindControl(QStringLiteral("labelTitle")), windowTitle());
    SetBkImage(FindControl(QStringLiteral("btnHead")), QStringLiteral("bgHeadDefaulte2_big.png"));
    SetBkImage(FindControl(QStringLiteral("ControlTip")), QStringLiteral("callout_tip.png"));
    name_ = FindControl<QLabel>(QStringLiteral("labelName"));
    mobile_ = FindControl<QLabel>(QStringLiteral("labelMobile"));
    addr_ = FindControl<QLabel>(QStringLiteral("labelAddr"));
    time_ = FindControl<QLabel>(QStringLiteral("labelTime"));
    PrepareRecordControls();
    clock_ = new QTimer(this);
    connect(clock_, &QTimer::timeout, this, &CCallOutUI::Tick);
    ConnectClicked(QStringLiteral("ButtonReject"), this, &CCallOutUI::OnCloseClicked);
}

void CCallOutUI::Fill(const OutgoingCall& call) {
    SetControlText(name_, call.name);
    // What was dialled: a call through the phone has no prefix to show.
    SetControlText(mobile_, call.prefix.isEmpty() ? call.number : call.prefix + u' ' + call.number);
    SetControlText(addr_, call.display);
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
