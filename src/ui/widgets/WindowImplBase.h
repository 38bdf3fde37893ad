#pragma once

#include <QAbstractButton>
#include <QPoint>
#include <QStringList>
#include <QWidget>

#include <utility>

namespace tamberlink {

// The base of every window. A window class
//   - names its skin (GetSkinFile, a Qt Designer form in the skin folder) and its window
//     class (GetWindowClassName);
//   - lists in RequiredControls the skin names of the controls it looks up: Create refuses a
//     skin that lacks one;
//   - in InitWindow finds its controls by name once, keeps pointers to them and connects
//     their Qt signals to its own member slots (ConnectClicked for the skin's buttons,
//     QObject::connect for anything else);
//   - keeps in members whatever its behaviour depends on (a switch's state, what a button
//     offers at the moment), so that a slot never tells controls apart by their texts and
//     rewording a label cannot break a button.
// The skin's "btnClosed", when there is one, runs OnCloseClicked, which closes the window.
//
// Dialogs live inside the main window (a parent and no window flags); popups, menus and the
// main window are windows of their own. Close() hides the window and deletes it later; from
// then on the signals of everything inside it are blocked, so a slot may close its own
// window and a late click or timer of a closing window does nothing.
class WindowImplBase : public QWidget {
    Q_OBJECT

public:
    explicit WindowImplBase(QWidget* parent = nullptr, Qt::WindowFlags flags = {});

    // Loads the skin, checks that every control of RequiredControls exists and runs
    // InitWindow. Returns false, leaving the window empty, when that fails.
    bool Create(const QString& title);

    // Shows the window without resizing it, at `position`: inside the parent for dialogs, on
    // the screen for windows of their own. Windows of their own are not activated.
    void ShowAt(const QPoint& position);

    // Hides the window and deletes it once control returns to the event loop. Safe to call
    // more than once.
    void Close();
    bool IsClosing() const { return closing_; }

    virtual QString GetWindowClassName() const = 0;
    virtual QString GetSkinFile() const = 0;

    // The skin's control of that name, or nullptr.
    QWidget* FindControl(const QString& name) const;
    template <class T>
    T* FindControl(const QString& name) const {
        return qobject_cast<T*>(FindControl(name));
    }

protected:
    // Names of the controls the window looks up; Create fails when one is missing.
    virtual QStringList RequiredControls() const { return {}; }
    // Custom controls the skin names by class; nullptr leaves the class to the loader.
    virtual QWidget* CreateControl(const QString& className, QWidget* parent);
    virtual void InitWindow() {}
    // "btnClosed" was clicked.
    virtual void OnCloseClicked() { Close(); }
    // The control that moves the window when dragged ("dlgTitle" unless overridden).
    virtual QString CaptionName() const { return QStringLiteral("dlgTitle"); }

    // Connects the clicks of the skin's button `name` to `slot` of `receiver`. Returns the
    // button, or nullptr, with nothing connected, when the skin has no button of that name.
    template <class Receiver, class Slot>
    QAbstractButton* ConnectClicked(const QString& name, const Receiver* receiver, Slot&& slot) {
        auto* button = FindControl<QAbstractButton>(name);
        if (button != nullptr) {
            connect(button, &QAbstractButton::clicked, receiver, std::forward<Slot>(slot));
        }
        return button;
    }

    // The built skin form, nullptr before Create.
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

// Makes a window of class T (constructed with `parent` and `args`), builds it with `title`
// and shows it at `position` (see ShowAt). Returns nullptr, the window discarded, when it
// cannot be built.
template <class T, class... Args>
T* OpenWindow(QWidget* parent, const QString& title, const QPoint& position, Args&&... args) {
    auto* window = new T(parent, std::forward<Args>(args)...);
    if (!window->Create(title)) {
        window->Close();
        return nullptr;
    }
    window->ShowAt(position);
    return window;
}

} // namespace tamberlink
