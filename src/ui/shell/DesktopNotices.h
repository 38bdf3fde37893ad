#pragma once

#include <QObject>

#include <vector>

namespace tamberlink {

class AppCore;
class DesktopNotifier;

// What reaches the user on the desktop while the window may be hidden: each new missed call
// and each note's reminder, through the notifier. Calls logged before the program started are
// not announced again.
class DesktopNotices : public QObject {
    Q_OBJECT

public:
    DesktopNotices(AppCore& core, DesktopNotifier& notifier, QObject* parent = nullptr);

private:
    void OnCallLogRows(const std::vector<int>& ids);
    void OnReminder(int noteId);

    AppCore& core_;
    DesktopNotifier& notifier_;
    int newestSeen_ = 0;
};

} // namespace tamberlink
