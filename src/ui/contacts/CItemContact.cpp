#include "ui/contacts/CItemContact.h"

#include "ui/lists/RowPainter.h"
#include "ui/widgets/Controls.h"

namespace tamberlink {

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
    switch (control) {
    case Control::CallTel:
        return {560, 17, 40, 26};
    case Control::CallMobile:
        return {608, 17, 40, 26};
    case Control::Sms:
        return {656, 17, 40, 26};
    case Control::Delete:
        return {716, 20, 20, 20};
    case Control::None:
    case Control::Item:
        break;
    }
    return {};
}

CItemContact::Control CItemContact::HitTest(const QPoint& pos, bool hovered) {
    if (hovered) {
        for (Control control : kButtons) {
            if (ControlRect(control).contains(pos)) {
                return control;
            }
        }
    }
    return Control::Item;
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
