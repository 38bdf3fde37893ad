#pragma once

#include <QString>

#include <functional>

class QWidget;

namespace tamberlink {

// Builds a skin (a Qt Designer form in the skin folder) into a parent widget. The form's
// controls keep their names, so code finds them by name; the form fills the parent.
//
// Besides Qt's own widgets a skin may use the skin controls CButtonUI and COptionUI, and
// any class that `createControl` answers (the window's custom controls). A class nobody
// answers becomes an empty container of the same name, so a skin written for a later
// version of the program still loads. A control's "anchors" property names the edges of
// its container it keeps its distance to when the container is resized ("right",
// "left,right,top,bottom", ...; left and top by default).
class SkinLoader {
public:
    using ControlFactory = std::function<QWidget*(const QString& className, QWidget* parent)>;

    // The form widget, or nullptr (with a warning) when the file is missing or broken.
    static QWidget* Load(const QString& skinFile, QWidget* parent,
                         const ControlFactory& createControl = {});
};

} // namespace tamberlink
