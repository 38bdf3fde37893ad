#pragma once

#include "ui/widgets/WindowImplBase.h"
#include "ui_dlg_message.h"

class QLabel;

namespace tamberlink {

// The one notice box of the program, titled "Tamberlink提醒", with an OK button. Every
// notice goes here; a notice while the box is open replaces its text.
class CMessageBox : public WindowImplBase {
    Q_OBJECT

public:
    static constexpr QPoint kPosition{250, 150};

    explicit CMessageBox(QWidget* parent);

    // Shows `text` in the box tracked by `open`, or in a new one inside `mainWindow` that
    // `open` then tracks.
    static CMessageBox* ShowText(QPointer<CMessageBox>& open, QWidget* mainWindow,
                                 const QString& text);

    void SetText(const QString& text);
    QString GetText() const;

    QWidget* BuildForm() override;

protected:
    void InitWindow() override;

private:
    void PlaceLabel();

    QLabel* label_ = nullptr;
    Ui::dlg_message ui_;
};

} // namespace tamberlink
