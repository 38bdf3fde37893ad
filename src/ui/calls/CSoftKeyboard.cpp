#include "ui/calls/CSoftKeyboard.h"

#include "ui/widgets/CButtonUI.h"

namespace tamberlink {

CSoftKeyboard::CSoftKeyboard(QWidget* parent)
    : WindowImplBase(parent) {}

void CSoftKeyboard::InitWindow() {
    CButtonUI* const keys[] = {ui_.btnKey0, ui_.btnKey1, ui_.btnKey2, ui_.btnKey3, ui_.btnKey4,
                               ui_.btnKey5, ui_.btnKey6, ui_.btnKey7, ui_.btnKey8, ui_.btnKey9};
    for (int digit = 0; digit <= 9; ++digit) {
        const QString typed = QString::number(digit);
        connect(keys[digit], &QAbstractButton::clicked, this, [this, typed] { emit Input(typed); });
    }
    connect(ui_.btnDelete, &QAbstractButton::clicked, this, [this] { emit Input(QString()); });
    // A key pressed twice quickly types twice.
    for (CButtonUI* key : keys) {
        key->SetRepeatsOnDoubleClick(true);
    }
    ui_.btnDelete->SetRepeatsOnDoubleClick(true);
}

} // namespace tamberlink
