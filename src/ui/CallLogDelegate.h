#pragma once

#include "ui/CItemRecordUI.h"

#include <QStyledItemDelegate>

class QAbstractItemView;

namespace tamberlink {

class CallLogModel;
class RecordingPlayback;

// Paints the call records list and makes its rows' buttons work: the row under the mouse
// shows its action buttons, a button under the mouse shows its hot picture and, while the
// mouse button is down on it, its pushed picture; a button acts when the mouse button is
// released over it.
class CallLogDelegate : public QStyledItemDelegate {
    Q_OBJECT

public:
    CallLogDelegate(const CallLogModel& model, const RecordingPlayback& playback,
                    QAbstractItemView& view);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

    // The row under the mouse, or -1.
    int HoveredRow() const { return hoveredRow_; }
    CItemRecordUI::State StateOf(int row) const;

signals:
    void ButtonReleased(int row, tamberlink::CItemRecordUI::Control control);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void MouseAt(const QPoint& pos);
    void UpdateRow(int row);
    // The row at `pos` and the button there, with the row's rectangle.
    CItemRecordUI::Control ControlAt(const QPoint& pos, int* row) const;

    const CallLogModel& model_;
    const RecordingPlayback& playback_;
    QAbstractItemView& view_;
    int hoveredRow_ = -1;
    CItemRecordUI::Control hot_ = CItemRecordUI::Control::None;
    int pushedRow_ = -1;
    CItemRecordUI::Control pushed_ = CItemRecordUI::Control::None;
};

} // namespace tamberlink
