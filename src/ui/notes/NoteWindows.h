#pragma once

#include <QObject>

class QWidget;

namespace tamberlink {

class AppCore;
class CNotepadEdit;
struct CallLogRecord;
struct NoteRecord;

// Opens the note editors over the main window, several at once if need be, and the
// reminders of notes that are due, each in a window of its own. Once the program is
// closing nothing opens (nullptr).
class NoteWindows : public QObject {
    Q_OBJECT

public:
    NoteWindows(QWidget* host, AppCore& core);

    // A new, empty note ("ButtonCreate", "新建笔记" of the notes page).
    CNotepadEdit* OpenNew();
    // A note of the notes page, to edit.
    CNotepadEdit* Open(const NoteRecord& note);
    // The note of a call-log entry, edited when it has one, else new and written for it.
    CNotepadEdit* OpenForCall(const CallLogRecord& entry);
    // A new note about a caller.
    CNotepadEdit* OpenForCaller(const QString& name, const QString& number, const QString& head);
    // The note's reminder, on top of every window, even while the main window is in the
    // tray; nothing for a note that is gone.
    void ShowReminder(int noteId);

    void Stop() { stopped_ = true; }

private:
    CNotepadEdit* OpenEditor(const QString& title, int callId);

    QWidget* host_;
    AppCore& core_;
    bool stopped_ = false;
};

} // namespace tamberlink
