#pragma once

#include "store/OriginRecord.h"
#include "ui/RecordListModel.h"

namespace tamberlink {

// The web pages that asked to use Tamberlink, by origin, with the user's answer for each
// and their check boxes; an empty list shows the placeholder.
class OriginListModel : public RecordListModel<OriginRecord> {
    Q_OBJECT

public:
    using RecordListModel::RecordListModel;

    static QString EmptyText() { return QStringLiteral("还没有网页请求过使用Tamberlink"); }
    static QString AnswerText(bool allowed) {
        return allowed ? QStringLiteral("允许") : QStringLiteral("拒绝");
    }

protected:
    QString PlaceholderText() const override { return EmptyText(); }
    QString DisplayText(int row) const override {
        return Entry(row)->origin + u' ' + AnswerText(Entry(row)->allowed);
    }
};

} // namespace tamberlink
