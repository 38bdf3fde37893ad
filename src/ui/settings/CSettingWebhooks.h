#pragma once

#include "ui/lists/ItemRowDelegate.h"
#include "ui/settings/CSettingBaseUI.h"
#include "ui/settings/WebhookRow.h"

class QLineEdit;
class QListView;
class QPlainTextEdit;

namespace tamberlink {

using WebhookListDelegate = ItemRowDelegate<WebhookRow>;

class AppCore;
class WebhookListModel;

// "Webhooks": the URLs the call events are posted to. "添加" adds the URL typed above the
// list and shows its secret, once; "暂停" and "恢复" act on the checked rows, "新密钥" gives
// the first checked one a new secret (shown once), "删除" removes the checked ones. "记录"
// shows the first checked webhook's delivery log in place of the list, where "重发" sends its
// failed deliveries again and "返回" goes back to the list.
class CSettingWebhooks : public CSettingBaseUI {
    Q_OBJECT

public:
    CSettingWebhooks(QWidget* parent, AppCore& core);

    const WebhookListModel& Model() const { return *model_; }
    QListView* List() const { return list_; }
    // What the window says under the list: a new secret, or why something was refused.
    QString Message() const;
    // The delivery log shown, empty while the list shows.
    QString LogText() const;

protected:
    void InitContent() override;

private:
    void Reload();
    void Add();
    void SetPaused(bool paused);
    void ChangeSecret();
    void RemoveChecked();
    void ToggleLog();
    void Redeliver();
    // The first checked webhook's id; 0 when none is checked, with a message saying so.
    int FirstChecked();
    void ShowLog(int id);

    WebhookListModel* model_ = nullptr;
    WebhookListDelegate* delegate_ = nullptr;
    QListView* list_ = nullptr;
    QPlainTextEdit* log_ = nullptr;
    QLineEdit* url_ = nullptr;
    QLineEdit* message_ = nullptr;
    QList<QAbstractButton*> listButtons_;
    QAbstractButton* logButton_ = nullptr;
    QAbstractButton* redeliver_ = nullptr;
    int logOf_ = 0; // the webhook whose log shows; 0 while the list shows
};

} // namespace tamberlink
