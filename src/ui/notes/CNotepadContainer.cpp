#include "ui/notes/CNotepadContainer.h"

#include "app/AppCore.h"
#include "store/LocalDatabase.h"
#include "ui/notes/NoteListModel.h"
#include "ui/shell/CTipDialog.h"
#include "ui/widgets/CButtonUI.h"
#include "ui/widgets/SkinForm.h"

#include <QCheckBox>
#include <QListView>
#include <QScrollBar>

#include <ctime>

namespace tamberlink {

CNotepadContainer::CNotepadContainer(AppCore& core, QWidget* parent)
    : QWidget(parent)
    , core_(core)
    , model_(new NoteListModel(this)) {
    // A row shows whether its reminder is still to come; the timers themselves are the
    // core's, which starts them when it starts and for each note written.
    model_->SetPagedSource(
        core_, [](LocalDatabase& db, int limit) { return db.Notes().Ids(limit); },
        [](LocalDatabase& db, const std::vector<int>& ids) {
            return db.Notes().Get(ids, std::time(nullptr));
        });
}

void CNotepadContainer::Build() {
    SkinForm::SetUp(ui_, this);
    ui_.ButtonDeleteNote->SetForeImage(QStringLiteral("file='tabBtnDelete.png' dest='16,6,31,23'"));
    ui_.ButtonDeleteNote->SetTextPadding(QMargins(20, 0, 0, 0));
    ui_.ButtonNewNote->SetForeImage(QStringLiteral("file='btnNote.png' dest='10,5,28,23'"));
    ui_.ButtonNewNote->SetTextPadding(QMargins(20, 0, 0, 0));
    connect(ui_.ButtonNewNote, &QAbstractButton::clicked, this,
            &CNotepadContainer::NewNoteRequested);
    connect(ui_.ButtonDeleteNote, &QAbstractButton::clicked, this,
            &CNotepadContainer::DeleteCheckedNotes);
    connect(ui_.btnCheckAll, &QAbstractButton::clicked, this, &CNotepadContainer::ToggleAll);

    delegate_ = ShowRows<NoteListDelegate>(*ui_.ListNotepad, *model_);
    FollowRows(*delegate_, this, &CNotepadContainer::OnButtonReleased, CNotepadItem::Control::Item,
               &CNotepadContainer::AskToDeleteNote);
    // Nothing is checked after a reload, so neither is the select-all box.
    connect(model_, &QAbstractItemModel::modelReset, ui_.btnCheckAll,
            [this] { ui_.btnCheckAll->setChecked(false); });
}

void CNotepadContainer::LoadNoteList() {
    model_->Reload();
}

void CNotepadContainer::RefreshRows(const std::vector<int>& ids) {
    model_->Refresh(ids);
}

void CNotepadContainer::ToggleAll() {
    if (ui_.btnCheckAll != nullptr) {
        model_->SetAllChecked(ui_.btnCheckAll->isChecked());
    }
}

void CNotepadContainer::DeleteCheckedNotes() {
    const std::vector<int> rows = model_->CheckedRows();
    if (rows.empty()) {
        return;
    }
    const std::vector<int> ids = model_->IdsOf(rows);
    // The notes that stay stay where the user sees them; a list left empty shows the
    // placeholder at once.
    const int scrolled =
        ui_.ListNotepad != nullptr ? ui_.ListNotepad->verticalScrollBar()->value() : 0;
    model_->RemoveRows(rows);
    if (ui_.ListNotepad != nullptr) {
        ui_.ListNotepad->verticalScrollBar()->setValue(scrolled);
    }
    core_.DeleteNotes(ids);
    if (ui_.btnCheckAll != nullptr) {
        ui_.btnCheckAll->setChecked(false);
    }
}

void CNotepadContainer::AskToDeleteNote(int row) {
    const NoteRecord* note = model_->Entry(row);
    if (note == nullptr) {
        return;
    }
    // The note is known by its id: the list may change before the answer comes.
    const int id = note->id;
    AskOnPage(this, QStringLiteral("您确定删除这条记事吗？"), [this, id] {
        if (const int at = model_->RowOfId(id); at >= 0) {
            model_->RemoveRows({at});
        }
        core_.DeleteNotes({id});
    });
}

void CNotepadContainer::OnButtonReleased(int row, int control) {
    const NoteRecord* note = model_->Entry(row);
    if (note == nullptr) {
        return;
    }
    switch (CNotepadItem::Control(control)) {
    case CNotepadItem::Control::Check:
        model_->SetChecked(row, !model_->IsChecked(row));
        break;
    case CNotepadItem::Control::Item:
        // A copy: what opening the note sets off may reload the list.
        emit NoteOpenRequested(NoteRecord(*note));
        break;
    default:
        break;
    }
}

} // namespace tamberlink
