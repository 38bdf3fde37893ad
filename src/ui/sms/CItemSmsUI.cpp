#include "ui/sms/CItemSmsUI.h"

#include "ui/lists/RowPainter.h"
#include "ui/widgets/Controls.h"

namespace tamberlink {

void CItemSmsUI::Fill(const SmsRecord& sms) {
    sms_ = sms;
    const QString attribution =
        sms.attribution.isEmpty() ? QStringLiteral("未知号码") : sms.attribution;
    RowPainter::PersonLines lines =
        RowPainter::PersonLinesFor(sms.name, sms.phone, attribution, sms.name == sms.phone);
    nameText_ = std::move(lines.name);
    numberText_ = std::move(lines.number);
    contentText_ = ShortenText(OneLine(sms.content), kContentLength);
}

QString CItemSmsUI::HeadImage() const {
    return RowPainter::HeadPicture(sms_.head);
}

QRect CItemSmsUI::ControlRect(Control control) {
    switch (control) {
    case Control::Check:
        return {15, 20, 14, 14};
    case Control::Head:
        return {38, 7, 40, 40};
    case Control::Name:
        return {86, 6, 420, 20};
    case Control::Number:
        return {86, 27, 190, 20};
    case Control::Content:
        return {280, 27, 230, 20};
    case Control::Time:
        return {515, 35, 127, 18};
    // The call pictures are those of the call-log rows, drawn at their own size.
    case Control::CallTel:
        return {565, 5, 40, 26};
    case Control::CallMobile:
        return {613, 4, 40, 26};
    case Control::Item:
    case Control::None:
        break;
    }
    return {};
}

CItemSmsUI::Control CItemSmsUI::HitTest(const QPoint& pos) {
    // The check box takes a little room around it: it is small to aim at.
    if (ControlRect(Control::Check).adjusted(-6, -6, 6, 6).contains(pos)) {
        return Control::Check;
    }
    for (Control control : {Control::CallTel, Control::CallMobile}) {
        if (ControlRect(control).contains(pos)) {
            return control;
        }
    }
    return pos.x() >= 0 && pos.y() >= 0 && pos.y() < kHeight ? Control::Item : Control::None;
}

void CItemSmsUI::Paint(QPainter& painter, const QRect& rowRect, const RowState& state) const {
    RowPainter row(painter, rowRect);
    const Control pushed = Control(state.pushed);
    const Control hot = Control(state.hot);
    row.Background(state.checked || pushed == Control::Item, state.hovered);
    row.CheckBox(ControlRect(Control::Check), state.checked || pushed == Control::Check);
    row.Picture(ControlRect(Control::Head), HeadImage());
    row.Text(ControlRect(Control::Name), RowPainter::NameFont(), RowPainter::kNameColor,
             Qt::AlignLeft | Qt::AlignVCenter, nameText_);
    row.Text(ControlRect(Control::Number), SkinFont(0), RowPainter::kTextColor,
             Qt::AlignLeft | Qt::AlignVCenter, numberText_);
    row.Text(ControlRect(Control::Content), SkinFont(0), RowPainter::kTextColor,
             Qt::AlignLeft | Qt::AlignVCenter, contentText_);
    row.Text(ControlRect(Control::Time), SkinFont(2), RowPainter::kTextColor, TextAlignment(6),
             sms_.dateTime);
    row.Button(ControlRect(Control::CallTel),
               {"button_call_tel_nomal.png", "button_call_tel_hot.png", "button_call_tel_push.png"},
               hot == Control::CallTel, pushed == Control::CallTel);
    row.Button(ControlRect(Control::CallMobile),
               {"button_call_mobile_nomal.png", "button_call_mobile_hot.png",
                "button_call_mobile_push.png"},
               hot == Control::CallMobile, pushed == Control::CallMobile);
}

} // namespace tamberlink
