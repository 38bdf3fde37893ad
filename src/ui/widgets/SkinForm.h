#pragma once

#include <QFrame>

namespace tamberlink {

// Places a Qt Designer form, compiled by uic, in a window or page. Besides Qt's own widgets a
// form may use the skin controls CButtonUI, COptionUI and CAnimateUI. A control's "anchors"
// property names the edges of its container it keeps its distance to when the container is
// resized ("right", "left,right,top,bottom", ...; left and top by default); "skin" names the
// stylesheet rules that draw it.
namespace SkinForm {

// A frame filling `host`, for a form to be set up in.
QFrame* Frame(QWidget* host);

// Makes the controls of a set-up form keep to the edges their "anchors" property names.
void Anchor(QWidget* form);

// Sets up the compiled form `ui` in a new frame filling `host` and returns the frame.
template <class Form>
QFrame* SetUp(Form& ui, QWidget* host) {
    QFrame* frame = Frame(host);
    ui.setupUi(frame);
    Anchor(frame);
    return frame;
}

} // namespace SkinForm

} // namespace tamberlink
