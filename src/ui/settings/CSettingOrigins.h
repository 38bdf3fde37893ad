#pragma once

#include "ui/lists/ItemRowDelegate.h"
#include "ui/settings/OriginRow.h"

#include "ui/settings/CSettingBaseUI.h"

class QListView;

namespace tamberlink {

using OriginListDelegate = ItemRowDelegate<OriginRow>;

class AppCore;
class OriginListModel;

// "网页访问权限": the web pages that asked to use Tamberlink through its local API and the
// answer for each purpose (dialling, SMS, recording, following the calls). A click on a
// purpose allows it, or refuses it when it was allowed; elsewhere a click checks the row.
// "允许" and "拒绝" set every purpose of the checked rows, "删除" forgets them, so that their
// pages are asked again. The list follows answers given meanwhile.
class CSettingOrigins : public CSettingBaseUI {
    Q_OBJECT

public:
    CSettingOrigins(QWidget* parent, AppCore& core);

    const OriginListModel& Model() const { return *model_; }
    QListView* List() const { return list_; }

protected:
    void InitContent() override;

private:
    // Reads the answers again, keeping the rows that were checked.
    void Reload();
    void OnButtonReleased(int row, int control);
    void SetAllowed(bool allowed);
    void RemoveChecked();

    OriginListModel* model_ = nullptr;
    OriginListDelegate* delegate_ = nullptr;
    QListView* list_ = nullptr;
};

} // namespace tamberlink
