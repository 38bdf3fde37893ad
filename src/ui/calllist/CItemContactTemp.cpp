#include "ui/calllist/CItemContactTemp.h"

#include "ui/lists/RowPainter.h"
#include "ui/widgets/Controls.h"

namespace tamberlink {

namespace {
// The pen before the remark caption, and the caption itself.
constexpr QRect kPenRect{262, 15, 20, 20};
constexpr QRect kCaptionRect{286, 15, 36, 20};
} // namespace

QString CItemContactTemp::RemarkText() const {
    return OneLine(contact_.remarkLabel);
}

QRect CItemContactTemp::ControlRect(Control control) {
    switch (control) {
    case Control::Check:
        return {15, 18, 14, 14};
    case Control::Index:
        return {36, 15, 40, 20};
    case Control::CalledIcon:
        return {80, 14, 22, 22};
    case Control::Name:
        return {108, 6, 146, 20};
    case Control::Number:
        return {108, 26, 146, 20};
    case Control::Remark:
        return {262, 15, 298, 20};
    case Control::CallTel:
        return {580, 12, 40, 26};
    case Control::CallMobile:
        return {628, 12, 40, 26};
    case Control::Sms:
        return {676, 12, 40, 26};
    case Control::Item:
    case Control::None:
        break;
    }
    return {};
}

CItemContactTemp::Control CItemContactTemp::HitTest(const QPoint& pos) {
    // The check box takes a little room around it: it is small to aim at. So does the
    // remark line, the height of the row.
    if (ControlRect(Control::Check).adjusted(-6, -6, 6, 6).contains(pos)) {
        return Control::Check;
    }
    for (Control control : {Control::CallTel, Control::CallMobile, Control::Sms}) {
        if (ControlRect(control).contains(pos)) {
            return control;
        }
    }
    if (ControlRect(Control::Remark).adjusted(0, -8, 0, 8).contains(pos)) {
        return Control::Remark;
    }
    return pos.x() >= 0 && pos.y() >= 0 && pos.y() < kHeight ? Control::Item : Control::None;
}

void CItemContactTemp::Paint(QPainter& painter, const QRect& rowRect, const RowState& state) const {
    RowPainter row(painter, rowRect);
    row.Background(state.checked, state.hovered);
    const bool checkPushed = Control(state.pushed) == Control::Check;
    row.CheckBox(ControlRect(Control::Check), state.checked || checkPushed);
    row.Text(ControlRect(Control::Index), SkinFont(2), RowPainter::kMutedColor, Qt::AlignCenter,
             contact_.IndexText());
    if (contact_.ShowsCalledIcon()) {
        row.Picture(ControlRect(Control::CalledIcon),
                    QString::fromLatin1(TempContact::kCalledIcon));
    }
    row.Text(ControlRect(Control::Name), RowPainter::NameFont(), RowPainter::kNameColor,
             Qt::AlignLeft | Qt::AlignVCenter, contact_.NameText());
    row.Text(ControlRect(Control::Number), SkinFont(0), RowPainter::kTextColor,
             Qt::AlignLeft | Qt::AlignVCenter, contact_.number);

    row.Picture(kPenRect, QStringLiteral("button_pen.png"));
    row.Text(kCaptionRect, SkinFont(0), RowPainter::kMutedColor, Qt::AlignLeft | Qt::AlignVCenter,
             RemarkCaption());
    const QRect remark = ControlRect(Control::Remark);
    row.Text(remark.adjusted(kCaptionRect.right() + 1 - remark.left(), 0, 0, 0), SkinFont(0),
             0xFF000000u | contact_.remarkColor, Qt::AlignLeft | Qt::AlignVCenter, RemarkText());

    const auto button = [&](Control control, const RowPainter::ButtonPictures& pictures) {
        row.Button(ControlRect(control), pictures, Control(state.hot) == control,
                   Control(state.pushed) == control);
    };
    button(Control::CallTel,
           {"button_call_tel_nomal.png", "button_call_tel_hot.png", "button_call_tel_push.png"});
    button(Control::CallMobile, {"button_call_mobile_nomal.png", "button_call_mobile_hot.png",
                                 "button_call_mobile_push.png"});
    button(Control::Sms, {"recordBtnSmsNomal.png", "recordBtnSmsHot.png", "recordBtnSmsPush.png"});
}

} // namespace tamberlink
