#pragma once

#include "ui/widgets/SkinForm.h"

#include <QAbstractButton>
#include <QPoint>
#include <QPointer>
#include <QWidget>

#include <utility>

namespace tamberlink {

// The base of every window. A window class
//   - holds its compiled form (a Qt Designer form under Res/, built by uic) and sets it up in
//     BuildForm with SetUpForm, which gives the window its size;
//   - in InitWindow connects the form's controls to its own member slots;
//   - keeps in members whatever its behaviour depends on (a switch's state, what a button
//     offers at the moment), so that a slot never tells controls apart by their texts and
//     rewording a label cannot break a button.
// A form's "btnClosed", when it has one, runs OnCloseClicked, which closes the window; its
// "dlgTitle" moves the window when dragged.
//
// Dialogs live inside the main window (a parent and no window flags); popups, menus and the
// main window are windows of their own. Close() hides the window and deletes it later; from
// then on the signals of everything inside it are blocked, so a slot may close its own
// window and a late click or timer of a closing window does nothing.
class WindowImplBase : public QWidget {
    Q_OBJECT

public:
    explicit WindowImplBase(QWidget* parent = nullptr, Qt::WindowFlags flags = {});

    // Builds the form and runs InitWindow.
    void Create(const QString& title);

    // Shows the window without resizing it, at `position`: inside the parent for dialogs, on
    // the screen for windows of their own. Windows of their own are not activated.
    void ShowAt(const QPoint& position);

    // Hides the window and deletes it once control returns to the event loop. Safe to call
    // more than once.
    void Close();
    bool IsClosing() const { return closing_; }

    // The window's object name: its class name unless the window says otherwise.
    virtual QString GetWindowClassName() const;

protected:
    // Sets up the window's form, normally `return SetUpForm(*ui_);`.
    virtual QWidget* BuildForm() = 0;
    virtual void InitWindow() {}
    // "btnClosed" was clicked.
    virtual void OnCloseClicked() { Close(); }

    // Sets up the compiled form `ui` filling the window, connects its "btnClosed" and makes its
    // "dlgTitle" the caption. Returns the form's frame.
    template <class Form>
    QWidget* SetUpForm(Form& ui) {
        QWidget* form = SkinForm::SetUp(ui, this);
        if constexpr (requires { ui.btnClosed; }) {
            connect(ui.btnClosed, &QAbstractButton::clicked, this, [this] { OnCloseClicked(); });
        }
        if constexpr (requires { ui.dlgTitle; }) {
            SetCaption(ui.dlgTitle);
        }
        return form;
    }
    // The control that moves the window when dragged.
    void SetCaption(QWidget* caption);
    QWidget* Caption() const { return caption_; }

    // The set-up form, nullptr before Create.
    QWidget* Form() const { return form_; }

    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void StartDrag(const QPoint& globalPos);

    QWidget* form_ = nullptr;
    bool closing_ = false;
    QWidget* caption_ = nullptr;
    bool dragging_ = false;
    QPoint dragOffset_;
};

// The window `tracked` points to while it is open, nullptr once it is closing or gone.
template <class T>
T* IfOpen(const QPointer<T>& tracked) {
    return tracked != nullptr && !tracked->IsClosing() ? tracked.data() : nullptr;
}

// Makes a window of class T (constructed with `parent` and `args`), builds it with `title`
// and shows it at `position` (see ShowAt).
template <class T, class... Args>
T* OpenWindow(QWidget* parent, const QString& title, const QPoint& position, Args&&... args) {
    auto* window = new T(parent, std::forward<Args>(args)...);
    window->Create(title);
    window->ShowAt(position);
    return window;
}

} // namespace tamberlink
