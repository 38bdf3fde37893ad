#pragma once

#include <QString>

#include <string>

namespace tamberlink {

// What the incoming-call popup shows.
struct IncomingCall {
    QString attribution; // attribution text, e.g. "移动|北京"
    QString head;        // picture reference of the contact; empty for the default picture
    QString number;
    QString name; // contact name; empty when the number has no contact
};

// What the outgoing-call popup shows.
struct OutgoingCall {
    QString display; // place text, a blank, carrier without "中国"
    QString prefix;  // extension and IP prefix dialled before the number
    QString number;
    QString name;
};

// What the core asks of the main window. The core calls every method on the UI thread
// (events of other threads are brought there first), so implementations may touch widgets.
// The main window implements it; tests record the calls. Lists the window has no page for
// hear of their changes through AppCore's signals instead.
class UiSink {
public:
    virtual ~UiSink() = default;

    // A notice for the user: the message box of the desktop program.
    virtual void ShowTip(const QString& text) = 0;

    // Call popups.
    virtual void ShowIncomingCall(const IncomingCall&) {}
    virtual void ShowOutgoingCall(const OutgoingCall&) {}
    virtual void CloseOutgoingCall() {}
    virtual void CloseCallPopups() {}
    virtual void SetRecordingAnimation(bool /*playing*/) {}

    // The telephone box's connection indicator.
    virtual void SetDeviceIndicator(bool /*connected*/) {}

    // A table changed: a list that shows it reloads itself from the core; a list that was
    // never created ignores this.
    virtual void ReloadCallLog() {}
    virtual void ReloadContacts() {}
    virtual void ReloadNoteList() {}

    // A note's reminder time has come.
    virtual void ShowNoteReminder(int /*noteId*/) {}

    // A newer program version was found.
    virtual void ShowNewVersion(const std::string& /*num*/, const std::string& /*url*/) {}
    // A check from the update window found no newer version.
    virtual void ShowNoNewVersion() {}

    // Cloud account. A picture code for form 0 (login), 1 (registration) or 2 (reset) is in
    // the file; an account request succeeded (0 logged in, 1 registered, 2 reset code sent,
    // 3 password reset); the account panel shows the signed-in account with its name and
    // company labels, or the logged-out panel.
    virtual void ShowCodePicture(int /*form*/, const QString& /*path*/) {}
    virtual void ShowAccountResult(int /*result*/) {}
    virtual void ShowLoggedIn(const QString& /*account*/, const QString& /*name*/,
                              const QString& /*company*/) {}
    virtual void ShowLoggedOut() {}

    // The progress panel of a contact backup or sync.
    virtual void ShowProgress() {}
    virtual void SetProgressText(const QString& /*text*/) {}
    virtual void EndProgress() {}

    // The feedback was received: the feedback window closes.
    virtual void CloseFeedback() {}
};

} // namespace tamberlink
