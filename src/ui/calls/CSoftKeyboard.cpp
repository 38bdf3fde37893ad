#include "ui/calls/CSoftKeyboard.h"

#include "ui/widgets/CButtonUI.h"

namespace tamberlink {

namespace {
QString KeyName(int digit) {
    return QStringLiteral("btnKey%1").arg(digit);
}

// A key pressed twice quickly types twice.
void RepeatOnDoubleClick(QAbstractButton* key) {
    if (auto* button = qobject_cast<CButtonUI*>(key)) {
        button->SetRepeatsOnDoubleClick(true);
    }
}
} // namespace

CSoftKeyboard::CSoftKeyboard(QWidget* parent)
    : WindowImplBase(parent) {}

QStringList CSoftKeyboard::RequiredControls() const {
    QStringList names{QStringLiteral("btnClosed"), QStringLiteral("btnDelete")};
    for (int digit = 0; digit <= 9; ++digit) {
        names << KeyName(digit);
    }
    return names;
}

void CSoftKeyboard::InitWindow() {
    for (int digit = 0; digit <= 9; ++digit) {
        const QString typed = QString::number(digit);
        RepeatOnDoubleClick(
            ConnectClicked(KeyName(digit), this, [this, typed] { emit Input(typed); }));
    }
    RepeatOnDoubleClick(
        ConnectClicked(QStringLiteral("btnDelete"), this, [this] { emit Input(QString()); }));
}

} // namespace tamberlink
