#pragma once

#include "ui/lists/RowState.h"
#include "webhooks/WebhookService.h"

#include <QPoint>
#include <QRect>

class QPainter;

namespace tamberlink {

// A row of the webhooks: the check box and the URL, and under them the event types and the
// webhook's state. A click anywhere checks or unchecks the row (control kRow).
class WebhookRow {
public:
    using Record = WebhookEndpoint;

    static constexpr int kRow = 1;
    static constexpr int kHeight = 50;

    explicit WebhookRow(const WebhookEndpoint& record)
        : record_(record) {}

    int HitTestAt(const QPoint& pos, int width) const;
    void Paint(QPainter& painter, const QRect& rowRect, const RowState& state) const;

private:
    const WebhookEndpoint& record_;
};

} // namespace tamberlink
