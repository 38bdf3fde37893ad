#include "ui/calls/CallPopup.h"

#include "app/AppCore.h"
#include "app/DeviceBridge.h"
#include "ui/calls/CCallInUI.h"
#include "ui/calls/CCallOutUI.h"
#include "ui/widgets/CAnimateUI.h"
#include "ui/widgets/CButtonUI.h"

namespace tamberlink {

CallPopup::CallPopup(AppCore& core, QWidget* parent, Qt::WindowFlags flags)
    : WindowImplBase(parent, flags)
    , core_(core) {}

QWidget* CallPopup::CreateControl(const QString& className, QWidget* parent) {
    if (className == QLatin1String("Animate")) {
        return new CAnimateUI(parent);
    }
    return nullptr;
}

void CallPopup::PrepareRecordControls() {
    recStart_ = FindControl<CButtonUI>(QStringLiteral("btn_rec_start"));
    recStop_ = FindControl<CButtonUI>(QStringLiteral("btn_rec_stop"));
    animation_ = FindControl<CAnimateUI>(QStringLiteral("id_anim_rec"));
    autoRecording_ = core_.Settings().IsAutoRecordOn();
    for (CButtonUI* button : {recStart_, recStop_}) {
        if (button != nullptr) {
            button->setAttribute(Qt::WA_TransparentForMouseEvents, autoRecording_);
        }
    }
    ConnectClicked(QStringLiteral("btn_rec_start"), this,
                   [this] { core_.RequestRecordingStart(); });
    ConnectClicked(QStringLiteral("btn_rec_stop"), this, [this] { core_.RequestRecordingStop(); });
    if (animation_ != nullptr) {
        animation_->Stop(true);
        animation_->setVisible(false);
    }
    ShowRecordButtons(false);
}

void CallPopup::ShowRecordButtons(bool recording) {
    if (recStart_ != nullptr) {
        recStart_->setVisible(!autoRecording_ && !recording);
    }
    if (recStop_ != nullptr) {
        recStop_->setVisible(!autoRecording_ && recording);
    }
}

void CallPopup::ShowRecording(bool recording) {
    if (animation_ != nullptr) {
        if (recording) {
            animation_->Start(true);
        } else {
            animation_->Stop(true);
        }
    }
    ShowRecordButtons(recording);
}

void CallPopup::HangUp() {
    core_.Device().Calls().HangUp();
}

void CallPopup::SetRecordingAnimation(bool playing) {
    CallPopup* popup = CCallOutUI::Instance();
    if (popup == nullptr) {
        popup = CCallInUI::Instance();
    }
    if (popup != nullptr) {
        popup->ShowRecording(playing);
    }
}

void CallPopup::CloseAll() {
    if (CCallOutUI* outgoing = CCallOutUI::Instance()) {
        outgoing->Close();
    }
    if (CCallInUI* incoming = CCallInUI::Instance()) {
        incoming->Close();
    }
}

bool CallPopup::IsAnyOpen() {
    return CCallOutUI::Instance() != nullptr || CCallInUI::Instance() != nullptr;
}

} // namespace tamberlink
