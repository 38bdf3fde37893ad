#include "ui/history/HistoryItem.h"

#include "calllist/TempContact.h"
#include "ui/calls/CItemRecordUI.h"
#include "ui/calls/CallContext.h"
#include "ui/lists/RowPainter.h"
#include "ui/widgets/Controls.h"

#include <QFileInfo>

namespace tamberlink {

namespace {

constexpr int kDetailLength = 40;

} // namespace

HistoryItem::HistoryItem(const NumberHistoryRecord& record)
    : record_(record) {}

QString HistoryItem::KindText() const {
    switch (record_.kind) {
    case NumberHistoryRecord::Kind::Sms:
        return QStringLiteral("短信");
    case NumberHistoryRecord::Kind::Note:
        return QStringLiteral("笔记");
    case NumberHistoryRecord::Kind::Outcome:
        return QStringLiteral("名单结果");
    case NumberHistoryRecord::Kind::Call:
        break;
    }
    if (record_.callType == 5) {
        return QStringLiteral("未接来电");
    }
    const QString type = CallContext::TypeText(record_.callType);
    return type.isEmpty() ? QStringLiteral("通话") : type;
}

QString HistoryItem::DetailText() const {
    if (record_.kind == NumberHistoryRecord::Kind::Call) {
        return IsPlayVisible() ? record_.phone + QStringLiteral("  有录音") : record_.phone;
    }
    if (record_.kind == NumberHistoryRecord::Kind::Outcome) {
        // "已联系  客户名单.xlsx 第5行  remark": the row as the sheet numbers it.
        QString detail = TempContact::StatusText(record_.outcome) + QStringLiteral("  ") +
                         QFileInfo(record_.file).fileName() +
                         QStringLiteral(" 第%1行").arg(record_.row + 1);
        if (!record_.text.isEmpty()) {
            detail += QStringLiteral("  ") + OneLine(record_.text);
        }
        return ShortenText(detail, kDetailLength);
    }
    return ShortenText(OneLine(record_.text), kDetailLength);
}

bool HistoryItem::IsPlayVisible() const {
    return record_.kind == NumberHistoryRecord::Kind::Call &&
           record_.recordGuid.size() >= CItemRecordUI::kRecordGuidMinLength;
}

QString HistoryItem::Picture() const {
    switch (record_.kind) {
    case NumberHistoryRecord::Kind::Sms:
        return QStringLiteral("titleSms.png");
    case NumberHistoryRecord::Kind::Note:
        return QStringLiteral("button_notepad.png");
    case NumberHistoryRecord::Kind::Outcome:
        return QStringLiteral("titleContactTemp.png");
    case NumberHistoryRecord::Kind::Call:
        break;
    }
    CallLogRecord call;
    call.type = record_.callType;
    return CItemRecordUI(call).TypeImage();
}

QRect HistoryItem::ControlRect(Control control) {
    switch (control) {
    case Control::Play:
        return {500, 16, 20, 20};
    case Control::Item:
    case Control::None:
        break;
    }
    return {};
}

HistoryItem::Control HistoryItem::HitTest(const QPoint& pos) const {
    if (IsPlayVisible() && ControlRect(Control::Play).contains(pos)) {
        return Control::Play;
    }
    return pos.y() >= 0 && pos.y() < kHeight ? Control::Item : Control::None;
}

void HistoryItem::Paint(QPainter& painter, const QRect& rowRect, const RowState& state) const {
    RowPainter row(painter, rowRect);
    row.Background(false, state.hovered);
    row.Picture({16, 16, 20, 20}, Picture());
    const bool missed = record_.kind == NumberHistoryRecord::Kind::Call && record_.callType == 5;
    row.Text({48, 6, 120, 22}, RowPainter::NameFont(),
             missed ? RowPainter::kAlertColor : RowPainter::kNameColor,
             Qt::AlignLeft | Qt::AlignVCenter, KindText());
    row.Text({48, 28, 440, 20}, SkinFont(0), RowPainter::kMutedColor,
             Qt::AlignLeft | Qt::AlignVCenter, DetailText());
    row.Text({330, 6, 160, 22}, SkinFont(0), RowPainter::kTextColor,
             Qt::AlignRight | Qt::AlignVCenter, record_.dateTime);
    if (IsPlayVisible()) {
        row.Picture(ControlRect(Control::Play), state.active
                                                    ? QStringLiteral("button_rec_stop.png")
                                                    : QStringLiteral("button_rec_start.png"));
    }
}

} // namespace tamberlink
