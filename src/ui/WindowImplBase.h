#pragma once

#include "ui/Notification.h"

#include <QHash>
#include <QPair>
#include <QPoint>
#include <QStringList>
#include <QWidget>

#include <utility>

class QTimer;

namespace tamberlink {

// The base of every window: builds its controls from its skin in the skin folder, finds
// them by name, and turns their Qt signals into notifications for Notify:
//   buttons   "click" (released over the button), and "selectchanged" when checkable;
//   edits     "return", "textchanged", and "killfocus" when they lose the focus;
//   timers    "timer" for SetTimer's timers; the window itself "windowinit" after InitWindow.
// A window whose skin cannot be loaded, or lacks a control the window needs, is not created.
//
// Dialogs live inside the main window (a parent and no window flags); popups, menus and the
// main window are windows of their own. Close() hides the window and deletes it later, so a
// notification handler may close its own window.
class WindowImplBase : public QWidget {
    Q_OBJECT

public:
    explicit WindowImplBase(QWidget* parent = nullptr, Qt::WindowFlags flags = {});

    // Loads the skin, checks that every control of RequiredControls exists, runs InitWindow
    // and sends "windowinit". Returns false, leaving the window empty, when that fails.
    bool Create(const QString& title);

    // Shows the window without resizing it, at `position`: inside the parent for dialogs, on
    // the screen for windows of their own. Windows of their own are not activated.
    void ShowAt(const QPoint& position);

    // Hides the window and deletes it once control returns to the event loop. Safe to call
    // more than once; a closing window ignores its controls' events.
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

    // Makes a control created in code send its notifications to this window.
    void HookControl(QWidget* control);
    void SendNotify(QWidget* sender, const QString& type, int timerId = 0);

    // Timers that send "timer" for `control` every `milliseconds` until killed. Setting an
    // id again restarts it.
    void SetTimer(QWidget* control, int id, int milliseconds);
    void KillTimer(QWidget* control, int id);

protected:
    // Names of the controls the window looks up; Create fails when one is missing.
    virtual QStringList RequiredControls() const { return {}; }
    // Custom controls the skin names by class; nullptr leaves the class to the loader.
    virtual QWidget* CreateControl(const QString& className, QWidget* parent);
    virtual void InitWindow() {}
    virtual void Notify(const Notification& msg);
    // The control that moves the window when dragged ("dlgTitle" unless overridden).
    virtual QString CaptionName() const { return QStringLiteral("dlgTitle"); }

    // The built skin form, nullptr before Create.
    QWidget* Form() const { return form_; }

    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void StartDrag(QWidget* caption, const QPoint& globalPos);

    QWidget* form_ = nullptr;
    bool closing_ = false;
    QHash<QPair<QWidget*, int>, QTimer*> timers_;
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
