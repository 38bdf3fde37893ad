#pragma once

#include "ui/calls/CItemRecordUI.h"
#include "ui/lists/ListRowDelegate.h"

namespace tamberlink {

class CallLogModel;
class RecordingPlayback;

// Paints the call records list: each row is a CItemRecordUI, its play button showing
// whether the row's recording plays. Buttons are reported as CItemRecordUI::Control values.
class CallLogDelegate : public ListRowDelegate {
    Q_OBJECT

public:
    CallLogDelegate(const CallLogModel& model, const RecordingPlayback& playback,
                    QAbstractItemView& view);

    CItemRecordUI::State StateOf(int row) const;

protected:
    int HitTest(int row, const QPoint& pos) const override;
    void PaintRow(QPainter& painter, const QRect& rowRect, int row) const override;
    int RowHeight() const override { return CItemRecordUI::kHeight; }

private:
    const CallLogModel& model_;
    const RecordingPlayback& playback_;
};

} // namespace tamberlink
