#include "ui/nuisance/NuisanceRows.h"

#include "nuisance/NuisanceRules.h"
#include "ui/lists/RowPainter.h"
#include "ui/widgets/Controls.h"

#include <QDateTime>

namespace tamberlink {
namespace {

constexpr QRgb kActiveColor = 0xFFEAF2FF;
constexpr QRgb kSilentColor = 0xFFE8912D;
constexpr int kIndent = 34;
constexpr Qt::Alignment kLeft = Qt::AlignLeft | Qt::AlignVCenter;
constexpr Qt::Alignment kRight = Qt::AlignRight | Qt::AlignVCenter;

// "12-09 14:30" this year, "2025-12-09" before.
QString When(qint64 seconds) {
    const QDateTime time = QDateTime::fromSecsSinceEpoch(seconds);
    return time.date().year() == QDate::currentDate().year()
               ? time.toString(QStringLiteral("MM-dd HH:mm"))
               : time.toString(QStringLiteral("yyyy-MM-dd"));
}

QRgb ActionColor(NuisanceAction action) {
    switch (action) {
    case NuisanceAction::Reject:
        return RowPainter::kAlertColor;
    case NuisanceAction::Silent:
        return kSilentColor;
    default:
        return RowPainter::kMutedColor;
    }
}

// The background, the check box and the dividing line every row of the window has.
void PaintFrame(RowPainter& paint, const QRect& rowRect, const RowState& state) {
    if (state.active && !state.checked) {
        paint.Fill(kActiveColor);
    }
    paint.Background(state.checked, state.hovered);
    paint.CheckBox(QRect(10, (rowRect.height() - 14) / 2, 14, 14), state.checked);
}

} // namespace

int NuisanceRowControls::HitTestAt(const QPoint& pos, int height) {
    if (pos.y() < 0 || pos.y() >= height) {
        return 0;
    }
    return pos.x() < kIndent - 4 ? kCheck : kRow;
}

QString NuisanceRuleRow::CountText(const NuisanceRule& rule) {
    return QStringLiteral("今天 %1 · 共 %2").arg(rule.hitsToday).arg(rule.hits);
}

void NuisanceRuleRow::Paint(QPainter& painter, const QRect& rowRect, const RowState& state) const {
    RowPainter paint(painter, rowRect);
    PaintFrame(paint, rowRect, state);
    const int h = rowRect.height();
    paint.Text(QRect(kIndent, 0, 150, h), RowPainter::NameFont(), RowPainter::kNameColor, kLeft,
               NuisanceRuleText(record_));
    paint.Text(QRect(190, 0, 104, h), SkinFont(1), RowPainter::kAlertColor, kLeft, record_.label);
    paint.Text(QRect(298, 0, 64, h), SkinFont(1), ActionColor(record_.action), kLeft,
               NuisanceActionName(record_.action));
    paint.Text(QRect(366, 0, 124, h), SkinFont(1), RowPainter::kTextColor, kLeft,
               CountText(record_));
    paint.Text(QRect(rowRect.width() - 110, 0, 100, h), SkinFont(1), RowPainter::kMutedColor,
               kRight, record_.lastHit > 0 ? When(record_.lastHit) : QStringLiteral("未拦截过"));
}

void NuisanceWhitelistRow::Paint(QPainter& painter, const QRect& rowRect,
                                 const RowState& state) const {
    RowPainter paint(painter, rowRect);
    PaintFrame(paint, rowRect, state);
    const int h = rowRect.height();
    paint.Text(QRect(kIndent, 0, 200, h), RowPainter::NameFont(), RowPainter::kNameColor, kLeft,
               record_.number);
    paint.Text(QRect(240, 0, rowRect.width() - 360, h), SkinFont(1), RowPainter::kTextColor, kLeft,
               record_.note);
    paint.Text(QRect(rowRect.width() - 110, 0, 100, h), SkinFont(1), RowPainter::kMutedColor,
               kRight, When(record_.created));
}

QString NuisanceLogRow::OutcomeText(const NuisanceLogRecord& record) {
    if (!record.note.isEmpty()) {
        return record.note;
    }
    switch (record.action) {
    case NuisanceAction::Reject:
        return QStringLiteral("已拒接");
    case NuisanceAction::Silent:
        return QStringLiteral("已静音");
    default:
        return QStringLiteral("已标记");
    }
}

void NuisanceLogRow::Paint(QPainter& painter, const QRect& rowRect, const RowState& state) const {
    RowPainter paint(painter, rowRect);
    PaintFrame(paint, rowRect, state);
    const int h = rowRect.height();
    paint.Text(QRect(kIndent, 0, 100, h), SkinFont(1), RowPainter::kMutedColor, kLeft,
               When(record_.time));
    paint.Text(QRect(138, 0, 140, h), RowPainter::NameFont(), RowPainter::kNameColor, kLeft,
               record_.number.isEmpty() ? QStringLiteral("无号码") : record_.number);
    paint.Text(QRect(282, 0, 170, h), SkinFont(1), RowPainter::kAlertColor, kLeft,
               record_.label + u' ' + record_.ruleText);
    paint.Text(QRect(456, 0, rowRect.width() - 466, h), SkinFont(1), ActionColor(record_.action),
               kLeft, OutcomeText(record_));
}

QString NuisanceRuleModel::PlaceholderText() const {
    return QStringLiteral("还没有拦截规则：在下面输入号码或前缀添加，或导入规则文件");
}

QString NuisanceRuleModel::DisplayText(int row) const {
    const NuisanceRule& rule = *Entry(row);
    return NuisanceRuleText(rule) + u' ' + rule.label + u' ' + NuisanceActionName(rule.action);
}

QString NuisanceWhitelistModel::PlaceholderText() const {
    return QStringLiteral("白名单是空的：白名单上的号码总是正常来电");
}

QString NuisanceWhitelistModel::DisplayText(int row) const {
    return Entry(row)->number;
}

QString NuisanceLogModel::PlaceholderText() const {
    return QStringLiteral("还没有被规则拦截或标记的来电");
}

QString NuisanceLogModel::DisplayText(int row) const {
    const NuisanceLogRecord& record = *Entry(row);
    return record.number + u' ' + record.label + u' ' + record.ruleText;
}

} // namespace tamberlink
