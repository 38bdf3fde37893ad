#pragma once

#include "ui/calllist/DoNotCallRows.h"
#include "ui/lists/ItemRowDelegate.h"
#include "ui/settings/CSettingBaseUI.h"

class QListView;

namespace tamberlink {

class AppCore;

// "免打扰名单": the numbers no dial reaches without the user's say-so — those marked 黑名单
// in a call list and those added here, one by one ("添加") or from a text or CSV file with
// one number a line ("导入"). "删除" takes the checked ones off.
class CDoNotCallList : public CSettingBaseUI {
    Q_OBJECT

public:
    CDoNotCallList(QWidget* parent, AppCore& core);

    const DoNotCallModel& Model() const { return *model_; }
    QLineEdit* NumberEdit() const { return edit_; }
    // Adds the number typed; false, after telling the user, when it cannot be dialled.
    bool AddTyped();
    // Adds the numbers of the file at `path`.
    bool ImportFile(const QString& path);
    void RemoveChecked();

protected:
    void InitContent() override;

private:
    void Import();
    void OnButton(int row, int control);

    DoNotCallModel* model_ = nullptr;
    QListView* list_ = nullptr;
    QLineEdit* edit_ = nullptr;
};

} // namespace tamberlink
