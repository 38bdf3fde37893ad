#include "ui/calls/CallLogDelegate.h"

#include "ui/calls/CallLogModel.h"
#include "ui/calls/RecordingPlayback.h"

namespace tamberlink {

using Control = CItemRecordUI::Control;

CallLogDelegate::CallLogDelegate(const CallLogModel& model, const RecordingPlayback& playback,
                                 QAbstractItemView& view)
    : ListRowDelegate(model, view)
    , model_(model)
    , playback_(playback) {}

CItemRecordUI::State CallLogDelegate::StateOf(int row) const {
    CItemRecordUI::State state;
    state.checked = model_.IsChecked(row);
    state.hovered = row == HoveredRow();
    if (const CallLogRecord* entry = model_.Entry(row)) {
        state.playing = playback_.IsActive(entry->id);
    }
    state.hot = Control(HotControl(row));
    state.pushed = Control(PushedControl(row));
    return state;
}

int CallLogDelegate::HitTest(int row, const QPoint& pos) const {
    return int(CItemRecordUI(*model_.Entry(row)).HitTest(pos, true));
}

void CallLogDelegate::PaintRow(QPainter& painter, const QRect& rowRect, int row) const {
    CItemRecordUI(*model_.Entry(row)).Paint(painter, rowRect, StateOf(row));
}

} // namespace tamberlink
