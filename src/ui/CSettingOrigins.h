#pragma once

#include "ui/CSettingBaseUI.h"
#include "ui/SingleInstance.h"

class QListView;

namespace tamberlink {

class AppCore;
class OriginListDelegate;
class OriginListModel;

// "网页访问权限": the web pages that asked to use Tamberlink through its local API and the
// answer for each. A click checks a row; "允许" and "拒绝" change the answer of the
// checked rows, "删除" forgets them, so that the page is asked again.
class CSettingOrigins : public CSettingBaseUI, public SingleInstance<CSettingOrigins> {
    Q_OBJECT

public:
    CSettingOrigins(QWidget* parent, AppCore& core);

    QString GetWindowClassName() const override { return QStringLiteral("CSettingOrigins"); }

    const OriginListModel& Model() const { return *model_; }
    QListView* List() const { return list_; }

protected:
    void InitWindow() override;

private:
    void Reload();
    void OnButtonReleased(int row, int control);
    void SetAllowed(bool allowed);
    void RemoveChecked();

    AppCore& core_;
    OriginListModel* model_ = nullptr;
    OriginListDelegate* delegate_ = nullptr;
    QListView* list_ = nullptr;
};

} // namespace tamberlink
