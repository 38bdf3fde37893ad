#include "ui/calls/CItemRecordUI.h"

#include "ui/lists/RowPainter.h"
#include "ui/lists/RowParts.h"
#include "ui/widgets/Controls.h"

namespace tamberlink {

namespace {

using C = CItemRecordUI::Control;

constexpr RowPart<C> kParts[] = {
    {C::Check, {15, 20, 14, 14}},     {C::Head, {38, 7, 40, 40}},
    {C::Name, {86, 6, 200, 20}},      {C::Number, {86, 27, 200, 20}},
    {C::Play, {500, 5, 20, 20}},      {C::Time, {475, 27, 125, 20}},
    {C::Type, {570, 5, 22, 22}},      {C::Note, {610, 11, 20, 20}},
    {C::CallTel, {292, 12, 40, 26}},  {C::CallMobile, {340, 11, 40, 26}},
    {C::Sms, {388, 12, 40, 26}},      {C::AddContact, {436, 12, 40, 26}},
    {C::Nuisance, {292, 17, 176, 20}}};

} // namespace

void CItemRecordUI::Fill(const CallLogRecord& entry) {
    entry_ = entry;
    RowPainter::PersonLines lines =
        RowPainter::PersonLinesFor(entry.name, entry.phone, entry.attribution, entry.nameIsPhone);
    nameText_ = std::move(lines.name);
    numberText_ = std::move(lines.number);
}

bool CItemRecordUI::IsPlayVisible() const {
    return entry_.recordGuid.size() >= kRecordGuidMinLength;
}

QString CItemRecordUI::HeadImage() const {
    return RowPainter::HeadPicture(entry_.head);
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
    return PartRect(kParts, control);
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
    if (!hovered) {
        return Control::None;
    }
    if (IsAddContactEnabled() && over(Control::AddContact)) {
        return Control::AddContact;
    }
    return PartAt(kParts, {Control::CallTel, Control::CallMobile, Control::Sms}, pos,
                  Control::None);
}

void CItemRecordUI::Paint(QPainter& painter, const QRect& rowRect, const RowState& state) const {
    RowPainter row(painter, rowRect);
    row.Background(state.checked, state.hovered);
    const bool checkPushed = Control(state.pushed) == Control::Check;
    row.CheckBox(ControlRect(Control::Check), state.checked || checkPushed);
    row.Picture(ControlRect(Control::Head), HeadImage());
    row.Text(ControlRect(Control::Name), RowPainter::NameFont(), RowPainter::kNameColor,
             Qt::AlignLeft | Qt::AlignVCenter, nameText_);
    row.Text(ControlRect(Control::Number), SkinFont(0), RowPainter::kTextColor,
             Qt::AlignLeft | Qt::AlignVCenter, numberText_);
    row.Text(ControlRect(Control::Time), SkinFont(2), RowPainter::kTextColor, TextAlignment(6),
             entry_.dateTime);
    if (IsPlayVisible()) {
        row.Picture(ControlRect(Control::Play), PlayImage(state.active));
    }
    row.Picture(ControlRect(Control::Type), TypeImage());
    row.Picture(ControlRect(Control::Note), NoteImage());

    // The row's buttons take the label's place while the mouse is over the row.
    if (!state.hovered) {
        row.Text(ControlRect(Control::Nuisance), SkinFont(0), RowPainter::kAlertColor,
                 Qt::AlignLeft | Qt::AlignVCenter, entry_.nuisanceLabel);
        return;
    }
    const auto button = [&](Control control, const RowPainter::ButtonPictures& pictures) {
        // The add-contact button of a known contact does not react to the mouse.
        const bool reacts = control != Control::AddContact || IsAddContactEnabled();
        row.Button(ControlRect(control), pictures, reacts && Control(state.hot) == control,
                   Control(state.pushed) == control);
    };
    button(Control::CallTel,
           {"button_call_tel_nomal.png", "button_call_tel_hot.png", "button_call_tel_push.png"});
    button(Control::CallMobile, {"button_call_mobile_nomal.png", "button_call_mobile_hot.png",
                                 "button_call_mobile_push.png"});
    button(Control::Sms, {"recordBtnSmsNomal.png", "recordBtnSmsHot.png", "recordBtnSmsPush.png"});
    button(Control::AddContact,
           {"recordBtnAddNomal.png", "recordBtnAddHot.png", "recordBtnAddPush.png"});
}

} // namespace tamberlink
