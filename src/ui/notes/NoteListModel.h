#pragma once

#include "store/NoteRecord.h"
#include "ui/lists/RecordListModel.h"

namespace tamberlink {

// The notes of the notes page, newest first, with their check boxes; an empty list shows
// the placeholder "您还没有任何笔记哦".
class NoteListModel : public RecordListModel<NoteRecord> {
    Q_OBJECT

public:
    using RecordListModel::RecordListModel;

    static QString EmptyText() { return QStringLiteral("您还没有任何笔记哦"); }

protected:
    QString PlaceholderText() const override { return EmptyText(); }
    QString DisplayText(int row) const override {
        const NoteRecord* note = Entry(row);
        return note != nullptr ? note->content : QString();
    }
};

} // namespace tamberlink
