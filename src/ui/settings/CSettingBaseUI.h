#pragma once

#include "ui/widgets/CButtonUI.h"
#include "ui/widgets/CSettingButton.h"
#include "ui/widgets/WindowImplBase.h"
#include "ui_dlg_setting.h"

class QLabel;
class QLineEdit;

namespace tamberlink {

class AppCore;

// The base of the settings dialogs: a blue title bar with the dialog's title and a close
// button over a content area, 358 x 217 in the small dialogs' form. Derived dialogs float their own
// controls in Content() at fixed positions in InitContent, once the frame is ready, and connect
// them.
class CSettingBaseUI : public WindowImplBase {
    Q_OBJECT

public:
    static constexpr QPoint kPosition{250, 150};

    // A dialog inside `parent`, or with `flags` a window of its own.
    CSettingBaseUI(QWidget* parent, const QString& title, Qt::WindowFlags flags = {});
    // A dialog that acts on the core.
    CSettingBaseUI(QWidget* parent, const QString& title, AppCore& core);

    // The plain settings dialog (the about page) keeps its old name; the others theirs.
    QString GetWindowClassName() const override {
        return metaObject() == &staticMetaObject ? QStringLiteral("CDlgSettingAbout")
                                                 : WindowImplBase::GetWindowClassName();
    }
    QWidget* BuildForm() override { return SetUpDialogForm(ui_); }

protected:
    // Sets up a form with the settings dialogs' title bar and content area ("dlgTitle",
    // "labelTitle", "btnClosed", "contentContainer"), as dlg_setting.ui has them.
    template <class Form>
    QWidget* SetUpDialogForm(Form& ui) {
        QWidget* form = SetUpForm(ui);
        frame_ = {ui.dlgTitle, ui.labelTitle, ui.btnClosed, ui.contentContainer};
        return form;
    }
    void InitWindow() final;
    virtual void InitContent() {}
    // Escape does what the close button does.
    void keyPressEvent(QKeyEvent* event) override;

    QWidget* Content() const { return content_; }
    // The core of a dialog made with one.
    AppCore& Core() const { return *core_; }
    QString Title() const { return title_; }

    // Controls floated in the content area.
    QLabel* AddLabel(const QRect& geometry, const QString& text);
    // An edit with border size 1, font 1 and the grey border that turns blue with the focus.
    QLineEdit* AddEdit(const QRect& geometry, const QString& text);
    CSettingButton* AddButton(int x, int y, const QString& text);

private:
    struct DialogFrame {
        QWidget* title = nullptr;
        QLabel* titleLabel = nullptr;
        CButtonUI* close = nullptr;
        QWidget* content = nullptr;
    };

    QString title_;
    DialogFrame frame_;
    QWidget* content_ = nullptr;
    AppCore* core_ = nullptr;
    Ui::dlg_setting ui_;
};

} // namespace tamberlink
