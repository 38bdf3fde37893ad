#pragma once

#include "ui/widgets/CButtonUI.h"

namespace tamberlink {

// A button that stays selected: page tabs and toggles. Its selected picture is drawn while
// it is checked; options that share a parent and have autoExclusive set form one group.
class COptionUI : public CButtonUI {
    Q_OBJECT

public:
    explicit COptionUI(QWidget* parent = nullptr)
        : CButtonUI(parent) {
        setCheckable(true);
    }

    bool IsSelected() const { return isChecked(); }
    void Selected(bool selected) { setChecked(selected); }
};

} // namespace tamberlink
