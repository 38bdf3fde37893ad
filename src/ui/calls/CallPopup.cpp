#include "ui/calls/CallPopup.h"

#include "app/AppCore.h"
#include "app/DeviceBridge.h"
#include "ui/widgets/CAnimateUI.h"
#include "ui/widgets/CButtonUI.h"

namespace tamberlink {

CallPopup::CallPopup(AppCore& core, QWidget* parent, Qt::WindowFlags flags)
    : WindowImplBase(parent, flags)
    , core_(core) {}

void CallPopup::PrepareRecordControls(CButtonUI* start, CButtonUI* stop, CAnimateUI* animation) {
    recStart_ = start;
    recStop_ = stop;
    animation_ = animation;
    autoRecording_ = core_.Settings().IsAutoRecordOn();
    for (CButtonUI* button : {recStart_, recStop_}) {
        button->setAttribute(Qt::WA_TransparentForMouseEvents, autoRecording_);
    }
    connect(recStart_, &QAbstractButton::clicked, this, [this] { core_.RequestRecordingStart(); });
    connect(recStop_, &QAbstractButton::clicked, this, [this] { core_.RequestRecordingStop(); });
    animation_->Stop(true);
    animation_->setVisible(false);
    ShowRecordButtons(false);
}

void CallPopup::ShowRecordButtons(bool recording) {
    recStart_->setVisible(!autoRecording_ && !recording);
    recStop_->setVisible(!autoRecording_ && recording);
}

void CallPopup::ShowRecording(bool recording) {
    if (recording) {
        animation_->Start(true);
    } else {
        animation_->Stop(true);
    }
    ShowRecordButtons(recording);
}

void CallPopup::HangUp() {
    core_.Device().Calls().HangUp();
}

} // namespace tamberlink
