#include "ui/calllist/CTempMenu.h"

#include "calllist/TempContact.h"
#include "ui/widgets/CButtonUI.h"
#include "ui/widgets/Controls.h"

#include <iterator>

namespace tamberlink {

CTempMenu::CTempMenu(QWidget* parent, int row)
    : WindowImplBase(parent, Qt::Popup | Qt::FramelessWindowHint)
    , row_(row) {}

void CTempMenu::InitWindow() {
    // One item per status, in the statuses' order.
    const CButtonUI* const items[] = {ui_.menu_0, ui_.menu_1, ui_.menu_2, ui_.menu_3, ui_.menu_4};
    static_assert(std::size(items) == TempContact::kStatusCount);
    for (int status = 0; status < TempContact::kStatusCount; ++status) {
        CButtonUI* item = const_cast<CButtonUI*>(items[status]);
        SetControlText(item, TempContact::StatusText(status));
        connect(item, &QAbstractButton::clicked, this, [this, status] {
            Close();
            emit StatusChosen(row_, status);
        });
    }
}

} // namespace tamberlink
