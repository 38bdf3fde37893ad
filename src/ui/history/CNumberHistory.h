#pragma once

#include "ui/widgets/WindowImplBase.h"
#include "ui_dlg_number_history.h"

#include <QPoint>

class QListView;

namespace tamberlink {

class AppCore;
class HistoryListModel;
class RecordingPlayback;

// "号码记录": everything about one number, newest first: its calls either way (a recorded
// one plays from its row), the SMS sent to it and the notes about it, under its contact's
// name, the number and where it belongs. The history is read on the database reader.
class CNumberHistory : public WindowImplBase {
    Q_OBJECT

public:
    static constexpr QPoint kPosition{171, 50};

    CNumberHistory(QWidget* parent, AppCore& core);

    // Shows the number's history; `name` is its contact's, or empty.
    void Show(const QString& number, const QString& name);

    QString Number() const { return number_; }
    HistoryListModel& Model() { return *model_; }
    QListView* List() const { return ui_.listHistory; }
    RecordingPlayback& Playback() { return *playback_; }

    QWidget* BuildForm() override { return SetUpForm(ui_); }

protected:
    void InitWindow() override;

private:
    void OnButtonReleased(int row, int control);
    void Summarize();

    AppCore& core_;
    HistoryListModel* model_;
    RecordingPlayback* playback_;
    QString number_;
    Ui::dlg_number_history ui_;
};

} // namespace tamberlink
