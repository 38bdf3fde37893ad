#pragma once

#include "ui/widgets/CSettingButton.h"
#include "ui/widgets/WindowImplBase.h"

class QLabel;
class QLineEdit;

namespace tamberlink {

// The base of the small settings dialogs: a blue title bar with the dialog's title and a
// close button over a 358 x 217 content area. Derived dialogs call InitWindow first, then
// float their own controls in Content() at fixed positions and connect them to their slots.
class CSettingBaseUI : public WindowImplBase {
    Q_OBJECT

public:
    static constexpr QPoint kPosition{250, 150};

    // A dialog inside `parent`, or with `flags` a window of its own.
    CSettingBaseUI(QWidget* parent, const QString& title, Qt::WindowFlags flags = {});

    QString GetWindowClassName() const override { return QStringLiteral("CDlgSettingAbout"); }
    QString GetSkinFile() const override { return QStringLiteral("dlg_setting.ui"); }

protected:
    QStringList RequiredControls() const override;
    void InitWindow() override;

    QWidget* Content() const { return content_; }
    QString Title() const { return title_; }

    // Controls floated in the content area.
    QLabel* AddLabel(const QRect& geometry, const QString& text);
    // An edit with border size 1, font 1 and the grey border that turns blue with the focus.
    QLineEdit* AddEdit(const QRect& geometry, const QString& text);
    CSettingButton* AddButton(int x, int y, const QString& text);

private:
    QString title_;
    QWidget* content_ = nullptr;
};

} // namespace tamberlink
