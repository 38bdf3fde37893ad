#pragma once

#include "calllist/TempContact.h"
#include "ui/lists/RecordListModel.h"

namespace tamberlink {

// The temporary contacts of the call list, in sheet order, with their check boxes; an empty
// list shows the placeholder that tells how to import one.
class TempContactModel : public RecordListModel<TempContact> {
    Q_OBJECT

public:
    using RecordListModel::RecordListModel;

    static QString EmptyText() {
        return QStringLiteral("还没有临时联系人，点击“导入Excel”导入名单");
    }

protected:
    QString PlaceholderText() const override { return EmptyText(); }
    QString DisplayText(int row) const override { return Entry(row)->name; }
};

} // namespace tamberlink
