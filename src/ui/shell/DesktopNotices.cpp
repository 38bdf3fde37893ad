#include "ui/shell/DesktopNotices.h"

#include "app/AppCore.h"
#include "store/LocalDatabase.h"
#include "ui/shell/DesktopNotifier.h"

namespace tamberlink {
namespace {

// CallLogRecord::type of a landline call nobody answered.
constexpr int kMissedCall = 5;

} // namespace

DesktopNotices::DesktopNotices(AppCore& core, DesktopNotifier& notifier, QObject* parent)
    : QObject(parent)
    , core_(core)
    , notifier_(notifier)
    , newestSeen_(core.Database().CallLog().NewestId()) {
    connect(&core_, &AppCore::CallLogRowsChanged, this, &DesktopNotices::OnCallLogRows);
    connect(&core_, &AppCore::NoteReminderDue, this, &DesktopNotices::OnReminder);
    connect(&core_, &AppCore::SmsFailed, &notifier_, &DesktopNotifier::SmsFailed);
}

void DesktopNotices::OnCallLogRows(const std::vector<int>& ids) {
    for (int id : ids) {
        // A row changed later (a recording linked, a note written) is no new call.
        if (id <= newestSeen_) {
            continue;
        }
        newestSeen_ = id;
        const std::optional<CallLogRecord> call = core_.Database().CallLog().GetEntry(id);
        if (call && call->type == kMissedCall) {
            notifier_.MissedCall(call->nameIsPhone ? QString() : call->name, call->phone);
        }
    }
}

void DesktopNotices::OnReminder(int noteId) {
    if (const std::optional<NoteRecord> note = core_.Database().Notes().Get(noteId)) {
        const QString who = note->name.isEmpty() ? note->phone : note->name;
        notifier_.Reminder(who.isEmpty() ? note->content
                                         : who + QStringLiteral("：") + note->content);
    }
}

} // namespace tamberlink
