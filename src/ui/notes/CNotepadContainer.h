#pragma once

#include "ui/lists/ItemRowDelegate.h"
#include "ui/notes/CNotepadItem.h"

#include "store/NoteRecord.h"
#include "ui_page_notes.h"

#include <QWidget>

#include <memory>

#include <vector>

class QCheckBox;
class QListView;

namespace tamberlink {

using NoteListDelegate = ItemRowDelegate<CNotepadItem>;

class AppCore;
class CButtonUI;
class NoteListModel;

// The notes page: every note, newest first, with its contact, content and reminder time;
// "新建笔记" asks for a new note, "删除" deletes the checked notes, the select-all box checks
// or unchecks them all, and a click on a note asks to open it.
class CNotepadContainer : public QWidget {
    Q_OBJECT

public:
    explicit CNotepadContainer(AppCore& core, QWidget* parent = nullptr);

    // Builds the page from "page_notes.ui".
    void Build();

    // Reads every note again in the background; the rows shown stay until it lands.
    void LoadNoteList();
    // Reads the notes `ids` again after a write: new notes come in at the top, changed ones
    // are repainted, deleted ones leave.
    void RefreshRows(const std::vector<int>& ids);
    // Deletes the checked notes from the list and from the database; no confirmation.
    void DeleteCheckedNotes();
    // Delete on a row: asks, then deletes that note alone.
    void AskToDeleteNote(int row);
    // Checks or unchecks every note as the select-all box says.
    void ToggleAll();

    NoteListModel& Model() { return *model_; }
    NoteListDelegate& Delegate() { return *delegate_; }
    QListView* List() const { return ui_.ListNotepad; }
    CButtonUI* NewButton() const { return ui_.ButtonNewNote; }
    CButtonUI* DeleteButton() const { return ui_.ButtonDeleteNote; }
    QCheckBox* SelectAllBox() const { return ui_.btnCheckAll; }

signals:
    void NewNoteRequested();
    void NoteOpenRequested(const tamberlink::NoteRecord& note);

private:
    void OnButtonReleased(int row, int control);

    AppCore& core_;
    NoteListModel* model_ = nullptr;
    NoteListDelegate* delegate_ = nullptr;
    Ui::page_notes ui_{};
};

} // namespace tamberlink
