#include "ui/CItemRecordUI.h"

#include "ui/Controls.h"
#include "ui/SkinImage.h"

#include <QFontMetrics>
#include <QPainter>

namespace tamberlink {

namespace {

constexpr QRgb kTextColor = 0xFF333333;
constexpr QRgb kNameColor = 0xFF222222;
constexpr QRgb kHoverColor = 0xFFF5F9FF;
constexpr QRgb kCheckedColor = 0xFFEEF5FF;
constexpr QRgb kLineColor = 0xFFEEF1F5;

void DrawPicture(QPainter& painter, const QRect& rect, const QString& file) {
    SkinImage image;
    image.file = file;
    image.Draw(painter, rect);
}

void DrawText(QPainter& painter, const QRect& rect, const QFont& font, QRgb color,
              Qt::Alignment alignment, const QString& text) {
    painter.setFont(font);
    painter.setPen(QColor::fromRgba(color));
    // Whatever the text, it stays inside its label.
    const QString shown = QFontMetrics(font).elidedText(text, Qt::ElideRight, rect.width());
    painter.drawText(rect, int(alignment), shown);
}

} // namespace

void CItemRecordUI::Fill(const CallLogRecord& entry) {
    entry_ = entry;
    nameText_ = entry.name;
    numberText_ = entry.phone + u' ' + entry.attribution;
    if (!entry.nameIsPhone) {
        if (nameText_.size() > kNameLength) {
            nameText_ = nameText_.left(kNameLength) + QStringLiteral("...");
        }
    } else {
        if (!entry.phone.isEmpty()) {
            numberText_.remove(entry.phone);
        }
        numberText_.remove(u' ');
    }
}

bool CItemRecordUI::IsPlayVisible() const {
    return entry_.recordGuid.size() >= kRecordGuidMinLength;
}

QString CItemRecordUI::HeadImage() const {
    if (!entry_.head.isEmpty() && !SkinPicture(entry_.head).isNull()) {
        return entry_.head;
    }
    return QStringLiteral("bgHeadDefaulte2.png");
}

QString CItemRecordUI::TypeImage() const {
    switch (entry_.type) {
    case 1:
        return QStringLiteral("call_type_mobile_in.png");
    case 2:
        return QStringLiteral("call_type_mobile_out.png");
    case 3:
        return QStringLiteral("call_type_phone_in.png");
    case 4:
        return QStringLiteral("call_type_phone_out.png");
    case 5:
        return QStringLiteral("call_type_phone_in_miss.png");
    default:
        return {};
    }
}

QString CItemRecordUI::NoteImage() const {
    return entry_.hasNote ? QStringLiteral("button_notepad.png") : QStringLiteral("button_pen.png");
}

QString CItemRecordUI::PlayImage(bool playing) const {
    return playing ? QStringLiteral("button_rec_stop.png") : QStringLiteral("button_rec_start.png");
}

QRect CItemRecordUI::ControlRect(Control control) {
    switch (control) {
    case Control::Check:
        return {15, 20, 14, 14};
    case Control::Head:
        return {38, 7, 40, 40};
    case Control::Name:
        return {86, 6, 200, 20};
    case Control::Number:
        return {86, 27, 200, 20};
    case Control::Play:
        return {500, 5, 20, 20};
    case Control::Time:
        return {475, 27, 125, 20};
    case Control::Type:
        return {570, 5, 22, 22};
    case Control::Note:
        return {610, 11, 20, 20};
    case Control::CallTel:
        return {292, 12, 40, 26};
    case Control::CallMobile:
        return {340, 11, 40, 26};
    case Control::Sms:
        return {388, 12, 40, 26};
    case Control::AddContact:
        return {436, 12, 40, 26};
    case Control::None:
        break;
    }
    return {};
}

CItemRecordUI::Control CItemRecordUI::HitTest(const QPoint& pos, bool hovered) const {
    const auto over = [&pos](Control control) {
        return ControlRect(control).contains(pos);
    };
    if (over(Control::Check)) {
        return Control::Check;
    }
    if (over(Control::Note)) {
        return Control::Note;
    }
    if (IsPlayVisible() && over(Control::Play)) {
        return Control::Play;
    }
    if (hovered) {
        for (Control control : {Control::CallTel, Control::CallMobile, Control::Sms}) {
            if (over(control)) {
                return control;
            }
        }
        if (IsAddContactEnabled() && over(Control::AddContact)) {
            return Control::AddContact;
        }
    }
    return Control::None;
}

void CItemRecordUI::PaintButton(QPainter& painter, const QPoint& origin, Control control,
                                const State& state, const char* normal, const char* hot,
                                const char* pushed) const {
    const char* file = normal;
    const bool reacts = control != Control::AddContact || IsAddContactEnabled();
    if (reacts && state.pushed == control && state.hot == control) {
        file = pushed;
    } else if (reacts && state.hot == control) {
        file = hot;
    }
    DrawPicture(painter, ControlRect(control).translated(origin), QString::fromLatin1(file));
}

void CItemRecordUI::Paint(QPainter& painter, const QRect& rowRect, const State& state) const {
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    if (state.checked || state.hovered) {
        painter.fillRect(rowRect, QColor::fromRgba(state.checked ? kCheckedColor : kHoverColor));
    }
    painter.fillRect(QRect(rowRect.left() + 15, rowRect.bottom(), rowRect.width() - 30, 1),
                     QColor::fromRgba(kLineColor));
    const QPoint origin = rowRect.topLeft();
    const auto at = [&origin](Control control) {
        return ControlRect(control).translated(origin);
    };

    const bool checkPushed = state.pushed == Control::Check && state.hot == Control::Check;
    DrawPicture(painter, at(Control::Check),
                state.checked || checkPushed ? QStringLiteral("tabBtnCheck.png")
                                             : QStringLiteral("tabBtnUncheck.png"));
    DrawPicture(painter, at(Control::Head), HeadImage());

    QFont nameFont = SkinFont(0);
    nameFont.setBold(true);
    DrawText(painter, at(Control::Name), nameFont, kNameColor, Qt::AlignLeft | Qt::AlignVCenter,
             nameText_);
    DrawText(painter, at(Control::Number), SkinFont(0), kTextColor,
             Qt::AlignLeft | Qt::AlignVCenter, numberText_);
    DrawText(painter, at(Control::Time), SkinFont(2), kTextColor, TextAlignment(6),
             entry_.dateTime);

    if (IsPlayVisible()) {
        DrawPicture(painter, at(Control::Play), PlayImage(state.playing));
    }
    DrawPicture(painter, at(Control::Type), TypeImage());
    DrawPicture(painter, at(Control::Note), NoteImage());

    if (state.hovered) {
        PaintButton(painter, origin, Control::CallTel, state, "button_call_tel_nomal.png",
                    "button_call_tel_hot.png", "button_call_tel_push.png");
        PaintButton(painter, origin, Control::CallMobile, state, "button_call_mobile_nomal.png",
                    "button_call_mobile_hot.png", "button_call_mobile_push.png");
        PaintButton(painter, origin, Control::Sms, state, "recordBtnSmsNomal.png",
                    "recordBtnSmsHot.png", "recordBtnSmsPush.png");
        PaintButton(painter, origin, Control::AddContact, state, "recordBtnAddNomal.png",
                    "recordBtnAddHot.png", "recordBtnAddPush.png");
    }
    painter.restore();
}

} // namespace tamberlink
