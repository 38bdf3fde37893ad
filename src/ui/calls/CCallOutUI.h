#pragma once

#include "app/UiSink.h"
#include "ui/calls/CallPopup.h"
#include "ui_dlg_callout.h"

class QLabel;
class QTimer;

namespace tamberlink {

// "拨打电话": who is being called, the prefix and number dialled, where the number belongs,
// and how long the call has lasted; closing it hangs up. Lives inside the main window; at
// most one exists.
class CCallOutUI : public CallPopup {
    Q_OBJECT

public:
    static constexpr QPoint kPosition{250, 200};

    CCallOutUI(QWidget* mainWindow, AppCore& core);

    void Fill(const OutgoingCall& call);
    int ElapsedSeconds() const { return elapsed_; }

    // "hh:mm:ss", hours growing past 99 as needed.
    static QString ElapsedText(int seconds);

    QWidget* BuildForm() override { return SetUpForm(ui_); }

protected:
    void InitWindow() override;
    // Closing the popup hangs up.
    void OnCloseClicked() override;

private:
    void Tick();

    QLabel* name_ = nullptr;
    QLabel* mobile_ = nullptr;
    QLabel* addr_ = nullptr;
    QLabel* time_ = nullptr;
    QTimer* clock_ = nullptr; // one tick a second while the call lasts
    int elapsed_ = 0;
    Ui::dlg_callout ui_;
};

} // namespace tamberlink
