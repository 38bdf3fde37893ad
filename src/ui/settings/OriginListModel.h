#pragma once

#include "store/OriginRecord.h"
#include "ui/lists/RecordListModel.h"

namespace tamberlink {

// The web pages that asked to use Tamberlink, by origin, with the user's answer for each
// purpose and their check boxes; an empty list shows the placeholder.
class OriginListModel : public RecordListModel<OriginRecord> {
    Q_OBJECT

public:
    using RecordListModel::RecordListModel;

    static QString EmptyText() { return QStringLiteral("还没有网页请求过使用Tamberlink"); }
    // The purpose of OriginRecord's use `use`, as short as a row shows it.
    static QString UseText(int use) {
        static const QString kUses[] = {QStringLiteral("拨号"), QStringLiteral("短信"),
                                        QStringLiteral("录音"), QStringLiteral("动态")};
        return use >= 0 && use < OriginRecord::kUses ? kUses[use] : QString();
    }
    // "✓" allowed, "✗" refused, "–" not asked yet, before the purpose.
    static QString AnswerText(const OriginRecord& record, int use) {
        const std::optional<bool> answer = record.answers[use];
        const QString mark = !answer   ? QStringLiteral("–")
                             : *answer ? QStringLiteral("✓")
                                       : QStringLiteral("✗");
        return mark + u' ' + UseText(use);
    }

protected:
    QString PlaceholderText() const override { return EmptyText(); }
    QString DisplayText(int row) const override {
        QString text = Entry(row)->origin;
        for (int use = 0; use < OriginRecord::kUses; ++use) {
            text += QStringLiteral("  ") + AnswerText(*Entry(row), use);
        }
        return text;
    }
};

} // namespace tamberlink
