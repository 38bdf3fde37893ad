#pragma once

#include "ui/widgets/CButtonUI.h"

namespace tamberlink {

// The blue button of the settings dialogs: 108 x 37 at a fixed position, white text, with
// normal, hot and pushed pictures.
class CSettingButton : public CButtonUI {
    Q_OBJECT

public:
    explicit CSettingButton(QWidget* parent = nullptr);

    // Floats the button at (x, y) of `parent` with `text`.
    void Setup(QWidget* parent, int x, int y, const QString& text);
};

} // namespace tamberlink
