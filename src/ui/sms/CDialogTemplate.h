#pragma once

#include "store/TemplateRecord.h"
#include "ui/widgets/WindowImplBase.h"
#include "ui_dlg_template.h"

class QLineEdit;
class QTextEdit;

namespace tamberlink {

class AppCore;

// "短信模版", the template editor: a title ("EditTitle", at most 50 characters) and a
// content. "ButtonSave" stores a new template or updates the one it was filled with, and
// closes; a template needs both a title and a content. Exists at most once.
class CDialogTemplate : public WindowImplBase {
    Q_OBJECT

public:
    static constexpr QPoint kPosition{180, 130};
    static constexpr int kTitleMaxLength = 50;

    CDialogTemplate(QWidget* parent, AppCore& core);

    // Edits `record`; until then the editor writes a new template.
    void SetTemplate(const TemplateRecord& record);
    // The template being edited, -1 for a new one.
    int TemplateId() const { return id_; }

    void Save();

    QLineEdit* TitleEdit() const { return title_; }
    QTextEdit* ContentEditor() const { return content_; }

    QWidget* BuildForm() override { return SetUpForm(ui_); }

protected:
    void InitWindow() override;

private:
    AppCore& core_;
    int id_ = -1;
    QLineEdit* title_ = nullptr;
    QTextEdit* content_ = nullptr;
    Ui::dlg_template ui_;
};

} // namespace tamberlink
