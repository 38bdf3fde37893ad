#pragma once

#include "app/UiSink.h"

#include <QObject>
#include <QPointer>

namespace tamberlink {

class AppCore;
class CCallInUI;
class CCallOutUI;

// The incoming and the outgoing call popup, at most one of each: a second call fills the
// popup already open. The outgoing popup lives inside the main window, the incoming one in
// the screen's corner.
class CallPopups : public QObject {
    Q_OBJECT

public:
    CallPopups(QWidget* mainWindow, AppCore& core);

    // Shows `call`, creating the popup when there is none.
    CCallInUI* ShowIncoming(const IncomingCall& call);
    // Shows `call`, its time counted from 0.
    CCallOutUI* ShowOutgoing(const OutgoingCall& call);

    CCallInUI* Incoming() const;
    CCallOutUI* Outgoing() const;
    bool IsAnyOpen() const { return Incoming() != nullptr || Outgoing() != nullptr; }

    // Plays or stops the recording animation of the outgoing popup, or of the incoming one
    // when there is no outgoing popup.
    void SetRecordingAnimation(bool playing);
    void CloseOutgoing();
    void CloseAll();

private:
    QWidget* mainWindow_;
    AppCore& core_;
    QPointer<CCallInUI> incoming_;
    QPointer<CCallOutUI> outgoing_;
};

} // namespace tamberlink
