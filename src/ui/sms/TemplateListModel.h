#pragma once

#include "store/TemplateRecord.h"
#include "ui/lists/RecordListModel.h"

namespace tamberlink {

// SMS templates with their check boxes, for the template manager and the template picker;
// an empty list shows the placeholder "您还没有任何短信模版哦".
class TemplateListModel : public RecordListModel<TemplateRecord> {
public:
    using RecordListModel::RecordListModel;

    static QString EmptyText() { return QStringLiteral("您还没有任何短信模版哦"); }

protected:
    QString PlaceholderText() const override { return EmptyText(); }
    QString DisplayText(int row) const override { return Entry(row)->title; }
};

} // namespace tamberlink
