#pragma once

#include "ui/widgets/WindowImplBase.h"

#include <QPointer>
#include <QStringList>

class QAbstractButton;
class QTextEdit;

namespace tamberlink {

class AppCore;
class CDialogTemplateList;

// What the two windows that write an SMS share: the content editor, the template picker
// ("ButtonTemplate"), "btnMin", and the hand-off to the phone. A window that has handed its
// SMS off stays a moment, inert, and then closes; the frames go out meanwhile without
// holding up the program.
class SmsComposeBase : public WindowImplBase {
    Q_OBJECT

public:
    // How long a window stays after its hand-off.
    static constexpr int kCloseDelayMs = 1500;

    SmsComposeBase(QWidget* parent, AppCore& core);

    QString Content() const;
    void SetContent(const QString& text);
    QTextEdit* ContentEditor() const { return editor_; }

    // Opens "选择模版" centred over the window, or brings the open one forward.
    CDialogTemplateList* OpenTemplatePicker();
    CDialogTemplateList* TemplatePicker() const;

    // The SMS has been handed off; the window is about to close.
    bool IsHandedOff() const { return handedOff_; }

protected:
    // Makes the content editor to fill `container`, `inset` pixels inside its border, and
    // connects the form's "btnMin" and "ButtonTemplate". Call from InitWindow.
    template <class Form>
    void InitCompose(const Form& ui, QWidget* container, int inset) {
        InitCompose(container, inset, ui.btnMin, ui.ButtonTemplate);
    }
    // Hands the content off to `numbers`. True when it was taken: the window then closes
    // after kCloseDelayMs. False, the window kept as it is, when the hand-off was refused
    // (the user has been told why).
    bool HandOff(const QStringList& numbers);
    // Centres a child window over this one and shows it.
    void ShowCentred(WindowImplBase* child);

    AppCore& core_;

private:
    void InitCompose(QWidget* container, int inset, QAbstractButton* minimise,
                     QAbstractButton* templates);

    QTextEdit* editor_ = nullptr;
    QPointer<CDialogTemplateList> templatePicker_;
    bool handedOff_ = false;
};

} // namespace tamberlink
