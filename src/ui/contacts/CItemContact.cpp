#include "ui/contacts/CItemContact.h"

#include "ui/lists/RowPainter.h"
#include "ui/lists/RowParts.h"
#include "ui/widgets/Controls.h"

namespace tamberlink {

namespace {

using C = CItemContact::Control;

constexpr RowPart<C> kParts[] = {{C::CallTel, {560, 17, 40, 26}},
                                 {C::CallMobile, {608, 17, 40, 26}},
                                 {C::Sms, {656, 17, 40, 26}},
                                 {C::Delete, {716, 20, 20, 20}}};

} // namespace

namespace {

constexpr CItemContact::Control kButtons[] = {
    CItemContact::Control::CallTel,
    CItemContact::Control::CallMobile,
    CItemContact::Control::Sms,
    CItemContact::Control::Delete,
};

RowPainter::ButtonPictures PicturesOf(CItemContact::Control control) {
    switch (control) {
    case CItemContact::Control::CallTel:
        return {"button_call_tel_nomal.png", "button_call_tel_hot.png", "button_call_tel_push.png"};
    case CItemContact::Control::CallMobile:
        return {"button_call_mobile_nomal.png", "button_call_mobile_hot.png",
                "button_call_mobile_push.png"};
    case CItemContact::Control::Sms:
        return {"recordBtnSmsNomal.png", "recordBtnSmsHot.png", "recordBtnSmsPush.png"};
    default:
        return {"button_item_delete_nomal.png", "button_item_delete_hot.png",
                "button_item_delete_push.png"};
    }
}

} // namespace

CItemContact::CItemContact(const ContactRecord& contact)
    : contact_(contact)
    , nameText_(ShortenText(contact.name, RowPainter::kNameLength)) {}

QString CItemContact::HeadImage() const {
    return RowPainter::HeadPicture(contact_.head);
}

QRect CItemContact::ControlRect(Control control) {
    return PartRect(kParts, control);
}

CItemContact::Control CItemContact::HitTest(const QPoint& pos, bool hovered) {
    return hovered ? PartAt(kParts, kButtons, pos, Control::Item) : Control::Item;
}

void CItemContact::Paint(QPainter& painter, const QRect& rowRect, const RowState& state) const {
    RowPainter row(painter, rowRect);
    row.Background(false, state.hovered);
    row.Picture(QRect(20, 10, 40, 40), HeadImage());
    row.Text(QRect(72, 10, 300, 20), RowPainter::NameFont(), RowPainter::kNameColor,
             Qt::AlignLeft | Qt::AlignVCenter, nameText_);
    row.Text(QRect(72, 32, 460, 20), SkinFont(0), RowPainter::kTextColor,
             Qt::AlignLeft | Qt::AlignVCenter, NumberText());
    if (state.hovered) {
        for (Control control : kButtons) {
            row.Button(ControlRect(control), PicturesOf(control), Control(state.hot) == control,
                       Control(state.pushed) == control);
        }
    }
}

} // namespace tamberlink
