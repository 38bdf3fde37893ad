#pragma once

#include "ui/widgets/WindowImplBase.h"
#include "ui_dlg_choose_template.h"

class QListView;

namespace tamberlink {

class AppCore;
class TemplateListModel;

// "选择模版": every template with a check box. "btnOk" hands on the content of the first
// checked template, or the empty text when none is checked, and closes; with no templates at
// all it only closes. A click on a row checks or unchecks it.
class CDialogTemplateList : public WindowImplBase {
    Q_OBJECT

public:
    CDialogTemplateList(QWidget* parent, AppCore& core);

    TemplateListModel& Model() { return *model_; }
    QListView* List() const { return list_; }

    QString GetWindowClassName() const override { return QStringLiteral("CListTemplate"); }
    QWidget* BuildForm() override { return SetUpForm(ui_); }

signals:
    void ContentChosen(const QString& content);

protected:
    void InitWindow() override;

private:
    void Choose();

    AppCore& core_;
    TemplateListModel* model_ = nullptr;
    QListView* list_ = nullptr;
    Ui::dlg_choose_template ui_;
};

} // namespace tamberlink
