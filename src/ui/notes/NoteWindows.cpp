#include "ui/notes/NoteWindows.h"

#include "app/AppCore.h"
#include "ui/notes/CNotepadEdit.h"

#include <QGuiApplication>
#include <QScreen>

namespace tamberlink {

NoteWindows::NoteWindows(QWidget* host, AppCore& core)
    : QObject(host)
    , host_(host)
    , core_(core) {}

CNotepadEdit* NoteWindows::OpenEditor(const QString& title, int callId) {
    if (stopped_) {
        return nullptr;
    }
    return OpenWindow<CNotepadEdit>(host_, title, CNotepadEdit::kPosition, core_, callId);
}

CNotepadEdit* NoteWindows::OpenNew() {
    return OpenEditor(QStringLiteral("新建笔记"), 0);
}

CNotepadEdit* NoteWindows::Open(const NoteRecord& note) {
    CNotepadEdit* editor = OpenEditor(QStringLiteral("编辑笔记"), 0);
    if (editor != nullptr) {
        editor->SetNote(note);
    }
    return editor;
}

CNotepadEdit* NoteWindows::OpenForCall(const CallLogRecord& entry) {
    if (const std::optional<NoteRecord> note = core_.GetNoteForCall(entry.id)) {
        return Open(*note);
    }
    CNotepadEdit* editor = OpenEditor(QStringLiteral("新建笔记"), entry.id);
    if (editor != nullptr) {
        editor->SetContact(entry.name, entry.phone, entry.head, true);
    }
    return editor;
}

CNotepadEdit* NoteWindows::OpenForCaller(const QString& name, const QString& number,
                                         const QString& head) {
    CNotepadEdit* editor = OpenNew();
    if (editor != nullptr) {
        editor->SetContact(name, number, head, true);
    }
    return editor;
}

void NoteWindows::ShowReminder(int noteId) {
    if (stopped_) {
        return;
    }
    const std::optional<NoteRecord> note = core_.GetNote(noteId);
    // A timer that names no note shows nothing.
    if (!note.has_value() || note->id != noteId) {
        return;
    }
    auto* editor = new CNotepadEdit(
        host_, core_, 0, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    editor->Create(QStringLiteral("笔记提醒"));
    editor->SetNote(*note);
    QPoint position;
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        position = screen->availableGeometry().center() - editor->rect().center();
    }
    editor->ShowAt(position);
}

} // namespace tamberlink
