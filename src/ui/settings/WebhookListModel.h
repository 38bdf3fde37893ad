#pragma once

#include "ui/lists/RecordListModel.h"
#include "webhooks/WebhookService.h"

namespace tamberlink {

// The webhooks, oldest first, with their check boxes; an empty list shows the placeholder.
class WebhookListModel : public RecordListModel<WebhookEndpoint> {
    Q_OBJECT

public:
    using RecordListModel::RecordListModel;

    static QString EmptyText() { return QStringLiteral("还没有Webhook，请在上方填写网址后添加"); }
    // "全部事件", or the types the webhook wants.
    static QString TypesText(const WebhookEndpoint& endpoint) {
        return endpoint.types.isEmpty() ? QStringLiteral("全部事件")
                                        : endpoint.types.join(QStringLiteral(", "));
    }
    // Paused, failing or taking its deliveries, and how many wait.
    static QString StateText(const WebhookEndpoint& endpoint) {
        const QString state = endpoint.paused             ? QStringLiteral("已暂停")
                              : endpoint.failingSince > 0 ? QStringLiteral("发送失败")
                                                          : QStringLiteral("正常");
        return endpoint.queued > 0 ? QStringLiteral("%1 · 排队%2").arg(state).arg(endpoint.queued)
                                   : state;
    }

protected:
    QString PlaceholderText() const override { return EmptyText(); }
    QString DisplayText(int row) const override {
        return Entry(row)->url + u' ' + StateText(*Entry(row));
    }
};

} // namespace tamberlink
