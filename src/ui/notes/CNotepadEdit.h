#pragma once

#include "store/NoteRecord.h"
#include "ui/notes/CNotepadTime.h"
#include "ui/widgets/WindowImplBase.h"
#include "ui_dlg_notepad_info.h"

#include <QPointer>

#include <memory>

#include <cstdint>

class QLineEdit;
class QTextEdit;

namespace tamberlink {

class AppCore;
class CButtonUI;
class CSmsContacts;

// The note editor: the note's contact (name, number and picture), its content and its
// reminder time. In new mode "ButtonSave" adds the note, written for the call-log entry
// `cid` when that is not 0; in edit mode it updates the note it was filled with, keeping
// the stored reminder unless another was picked. Several editors may be open at once.
class CNotepadEdit : public WindowImplBase {
    Q_OBJECT

public:
    enum class Mode { New, Edit };

    static constexpr QPoint kPosition{200, 120};

    // A dialog inside `parent`, or, with Qt::Window among `flags`, a window of its own.
    CNotepadEdit(QWidget* parent, AppCore& core, int cid = 0, Qt::WindowFlags flags = {});

    // Edit mode, showing `note` (its reminder formatted, or "不提醒").
    void SetNote(const NoteRecord& note);
    // The note's contact. A fixed contact cannot be changed through the contact picker.
    void SetContact(const QString& name, const QString& phone, const QString& head,
                    bool fixed = false);
    // The reminder, as seconds since 1970, or none.
    void SetReminder(std::int64_t seconds);
    void ClearReminder();

    // Opens the reminder time picker over the editor, or brings the open one forward.
    CNotepadTime* OpenTimePicker();
    // "选择联系人": the contacts to choose the note's contact from, or the open picker. Nullptr
    // for a note whose contact is fixed.
    CSmsContacts* OpenContactPicker();

    Mode GetMode() const { return mode_; }
    int NoteId() const { return noteId_; }
    int Cid() const { return cid_; }
    QString Phone() const { return phone_; }
    QString Head() const { return head_; }
    // The reminder as saved: decimal seconds since 1970, empty for none.
    QString ReminderText() const { return reminder_; }
    CNotepadTime* TimePicker() const { return picker_; }
    CSmsContacts* ContactPicker() const;

    QWidget* BuildForm() override { return SetUpForm(ui_); }

protected:
    void InitWindow() override;

private:
    void Save();
    void ShowHead();

    AppCore& core_;
    int cid_ = 0;
    Mode mode_ = Mode::New;
    int noteId_ = 0;
    QString phone_;
    QString head_;
    QString reminder_;
    QLineEdit* name_ = nullptr;
    QTextEdit* content_ = nullptr;
    CButtonUI* timeButton_ = nullptr;
    CButtonUI* contactsButton_ = nullptr;
    QPointer<CNotepadTime> picker_;
    QPointer<CSmsContacts> contactPicker_;
    Ui::dlg_notepad_info ui_;
};

} // namespace tamberlink
