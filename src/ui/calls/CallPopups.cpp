#include "ui/calls/CallPopups.h"

#include "ui/calls/CCallInUI.h"
#include "ui/calls/CCallOutUI.h"

#include <QGuiApplication>
#include <QScreen>

namespace tamberlink {

CallPopups::CallPopups(QWidget* mainWindow, AppCore& core)
    : QObject(mainWindow)
    , mainWindow_(mainWindow)
    , core_(core) {}

CCallInUI* CallPopups::Incoming() const {
    return IfOpen(incoming_);
}

CCallOutUI* CallPopups::Outgoing() const {
    return IfOpen(outgoing_);
}

CCallInUI* CallPopups::ShowIncoming(const IncomingCall& call) {
    CCallInUI* popup = Incoming();
    if (popup == nullptr) {
        popup = incoming_ = new CCallInUI(core_);
        popup->Create(QStringLiteral("固话来电"));
    }
    popup->Fill(call);
    QPoint position;
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        // In the corner where the desktop shows its notifications: above the other windows,
        // but clear of the main window's dialogs in the middle of the screen.
        constexpr int kMargin = 16;
        const QRect area = screen->availableGeometry();
        position = area.bottomRight() - QPoint(popup->width() + kMargin, popup->height() + kMargin);
    }
    popup->ShowAt(position);
    return popup;
}

CCallOutUI* CallPopups::ShowOutgoing(const OutgoingCall& call) {
    CCallOutUI* popup = Outgoing();
    if (popup == nullptr) {
        popup = outgoing_ = new CCallOutUI(mainWindow_, core_);
        popup->Create(QStringLiteral("拨打电话"));
    }
    popup->Fill(call);
    popup->ShowAt(CCallOutUI::kPosition);
    return popup;
}

void CallPopups::SetRecordingAnimation(bool playing) {
    CallPopup* popup = Outgoing();
    if (popup == nullptr) {
        popup = Incoming();
    }
    if (popup != nullptr) {
        popup->ShowRecording(playing);
    }
}

void CallPopups::CloseOutgoing() {
    if (CCallOutUI* popup = Outgoing()) {
        popup->Close();
    }
}

void CallPopups::CloseAll() {
    CloseOutgoing();
    if (CCallInUI* popup = Incoming()) {
        popup->Close();
    }
}

} // namespace tamberlink
