#pragma once

#include "app/UiSink.h"

#include <QObject>
#include <QPointer>

namespace tamberlink {

class AppCore;
class CMainWndUI;
class CMessageBox;

// What the core asks of the desktop, handed to the part of it that shows it: the call popups,
// the pages, the area windows (account, notes, settings, SMS) and the main window's header.
// Nothing happens once the main window is closing, and what needs a built window waits for
// one.
class UiRouter : public QObject, public UiSink {
    Q_OBJECT

public:
    UiRouter(CMainWndUI& window, AppCore& core);

    void ShowTip(const QString& text) override;
    void SetDeviceIndicator(bool connected) override;
    void ShowIncomingCall(const IncomingCall& call) override;
    void ShowOutgoingCall(const OutgoingCall& call) override;
    void CloseOutgoingCall() override;
    void CloseCallPopups() override;
    void SetRecordingAnimation(bool playing) override;
    void ReloadContacts() override;
    void ShowProgress() override;
    void SetProgressText(const QString& text) override;
    void EndProgress() override;
    void ShowCodePicture(int form, const QString& path) override;
    void ShowAccountResult(int result) override;
    void ShowLoggedIn(const QString& account, const QString& name, const QString& company) override;
    void ShowLoggedOut() override;
    void ShowNewVersion(const std::string& num, const std::string& url) override;
    void ShowNoNewVersion() override;
    void CloseFeedback() override;
    void ShowUpgradeStatus(const QString& windowText, const QString& tipText) override;
    bool AskOriginConsent(const OriginConsent::Question& question) override;
    void CloseOriginQuestion(std::uint64_t question) override;
    void OfferDial(const QString& number) override;
    void OfferSms(const QStringList& numbers, const QString& content) override;
    void ConfirmRequest(const QString& question, std::function<void()> accept) override;
    void AskSyncDeletion(int contacts, int total, std::function<void(bool)> answer) override;

private:
    CMainWndUI& window_;
    AppCore& core_;
    QPointer<CMessageBox> notice_;
};

} // namespace tamberlink
