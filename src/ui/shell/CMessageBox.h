#pragma once

#include "ui/shell/SingleInstance.h"
#include "ui/widgets/WindowImplBase.h"
#include "ui_dlg_message.h"

class QLabel;

namespace tamberlink {

// The one notice box of the program, titled "Tamberlink提醒", with an OK button. Every
// notice goes here; a notice while the box is open replaces its text.
class CMessageBox : public WindowImplBase, public SingleInstance<CMessageBox> {
    Q_OBJECT

public:
    static constexpr QPoint kPosition{250, 150};

    explicit CMessageBox(QWidget* parent);

    // Shows `text` in the box, creating it inside `mainWindow` when there is none. Returns
    // the box, or nullptr when its skin cannot be loaded.
    static CMessageBox* ShowText(QWidget* mainWindow, const QString& text);

    void SetText(const QString& text);
    QString GetText() const;

    QString GetWindowClassName() const override { return QStringLiteral("CMessageBox"); }
    QWidget* BuildForm() override;

protected:
    void InitWindow() override;

private:
    void PlaceLabel();

    QLabel* label_ = nullptr;
    Ui::dlg_message ui_;
};

} // namespace tamberlink
