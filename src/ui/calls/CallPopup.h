#pragma once

#include "ui/widgets/WindowImplBase.h"

namespace tamberlink {

class AppCore;
class CAnimateUI;
class CButtonUI;

// What both call popups share: the record buttons "btn_rec_start" and "btn_rec_stop", the
// recording animation "id_anim_rec" and hanging up. While automatic recording is on (by the user or
// by another program) the box records by itself: the record buttons stay hidden and take no mouse
// input. Otherwise the popup offers to start recording, and to stop a recording that runs.
class CallPopup : public WindowImplBase {
    Q_OBJECT

public:
    // Plays (recording runs) or stops the animation, which stays visible once shown.
    void ShowRecording(bool recording);
    bool RecordButtonsTakeMouse() const { return !autoRecording_; }
    CAnimateUI* Animation() const { return animation_; }

protected:
    CallPopup(AppCore& core, QWidget* parent, Qt::WindowFlags flags);

    // Prepares the form's record controls and connects the record buttons; call from
    // InitWindow.
    template <class Form>
    void PrepareRecordControls(const Form& ui) {
        PrepareRecordControls(ui.btn_rec_start, ui.btn_rec_stop, ui.id_anim_rec);
    }
    // Releases the line.
    void HangUp();

    AppCore& core_;

private:
    void PrepareRecordControls(CButtonUI* start, CButtonUI* stop, CAnimateUI* animation);
    void ShowRecordButtons(bool recording);

    CButtonUI* recStart_ = nullptr;
    CButtonUI* recStop_ = nullptr;
    CAnimateUI* animation_ = nullptr;
    bool autoRecording_ = false;
};

} // namespace tamberlink
