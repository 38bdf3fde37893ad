#include "ui/calllist/CItemContactTemp.h"

#include "ui/lists/RowPainter.h"
#include "ui/lists/RowParts.h"
#include "ui/widgets/Controls.h"

namespace tamberlink {

namespace {

using C = CItemContactTemp::Control;

constexpr RowPart<C> kParts[] = {
    {C::Check, {15, 18, 14, 14}},      {C::Index, {36, 15, 40, 20}},
    {C::CalledIcon, {80, 14, 22, 22}}, {C::Name, {108, 6, 146, 20}},
    {C::Number, {108, 26, 146, 20}},   {C::Remark, {262, 15, 298, 20}},
    {C::CallTel, {580, 12, 40, 26}},   {C::CallMobile, {628, 12, 40, 26}},
    {C::Sms, {676, 12, 40, 26}}};

} // namespace

namespace {
// The pen before the remark caption, and the caption itself.
constexpr QRect kPenRect{262, 15, 20, 20};
constexpr QRect kCaptionRect{286, 15, 36, 20};
} // namespace

QString CItemContactTemp::RemarkText() const {
    return OneLine(contact_.remarkLabel);
}

QRect CItemContactTemp::ControlRect(Control control) {
    return PartRect(kParts, control);
}

CItemContactTemp::Control CItemContactTemp::HitTest(const QPoint& pos) {
    if (OnCheckBox(ControlRect(Control::Check), pos)) {
        return Control::Check;
    }
    // The remark line takes the height of the row: it is thin to aim at.
    if (ControlRect(Control::Remark).adjusted(0, -8, 0, 8).contains(pos)) {
        return Control::Remark;
    }
    return PartAt(kParts, {Control::CallTel, Control::CallMobile, Control::Sms}, pos,
                  InsideRow(pos, kHeight) ? Control::Item : Control::None);
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
