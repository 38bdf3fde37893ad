#include "ui/calllist/CTempMenu.h"

#include "calllist/TempContact.h"
#include "ui/widgets/Controls.h"

namespace tamberlink {

namespace {
QString ItemName(int status) {
    return QStringLiteral("menu_%1").arg(status);
}
} // namespace

CTempMenu::CTempMenu(QWidget* parent, int row)
    : WindowImplBase(parent, Qt::Popup | Qt::FramelessWindowHint)
    , row_(row) {}

QStringList CTempMenu::RequiredControls() const {
    QStringList names;
    for (int status = 0; status < TempContact::kStatusCount; ++status) {
        names << ItemName(status);
    }
    return names;
}

void CTempMenu::InitWindow() {
    for (int status = 0; status < TempContact::kStatusCount; ++status) {
        QWidget* item = FindControl(ItemName(status));
        SetControlText(item, TempContact::StatusText(status));
        ConnectClicked(ItemName(status), this, [this, status] {
            Close();
            emit StatusChosen(row_, status);
        });
    }
}

} // namespace tamberlink
