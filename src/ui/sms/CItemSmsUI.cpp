#include "ui/sms/CItemSmsUI.h"

#include "ui/lists/RowPainter.h"
#include "ui/lists/RowParts.h"
#include "ui/widgets/Controls.h"

namespace tamberlink {

namespace {

using C = CItemSmsUI::Control;

// The call pictures are those of the call-log rows, drawn at their own size.
constexpr RowPart<C> kParts[] = {
    {C::Check, {15, 20, 14, 14}},   {C::Head, {38, 7, 40, 40}},       {C::Name, {86, 6, 420, 20}},
    {C::Number, {86, 27, 190, 20}}, {C::Content, {280, 27, 230, 20}}, {C::Time, {515, 35, 127, 18}},
    {C::CallTel, {565, 5, 40, 26}}, {C::CallMobile, {613, 4, 40, 26}}};

} // namespace

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
    return PartRect(kParts, control);
}

CItemSmsUI::Control CItemSmsUI::HitTest(const QPoint& pos) {
    if (OnCheckBox(ControlRect(Control::Check), pos)) {
        return Control::Check;
    }
    return PartAt(kParts, {Control::CallTel, Control::CallMobile}, pos,
                  InsideRow(pos, kHeight) ? Control::Item : Control::None);
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
