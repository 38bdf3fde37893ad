#include "ui/shell/UiRouter.h"

#include "app/AppCore.h"
#include "ui/account/AccountWindows.h"
#include "ui/calls/CCallInUI.h"
#include "ui/calls/CallPopups.h"
#include "ui/contacts/CContactContainer.h"
#include "ui/notes/NoteWindows.h"
#include "ui/settings/COriginPrompt.h"
#include "ui/settings/SettingWindows.h"
#include "ui/shell/CMainWndUI.h"
#include "ui/shell/CMessageBox.h"
#include "ui/shell/CTipDialog.h"
#include "ui/shell/DialLink.h"
#include "ui/shell/MainPages.h"
#include "ui/sms/CSmsNew.h"
#include "ui/sms/SmsWindows.h"
#include "ui/widgets/UiLog.h"
#include "util/PhoneNumber.h"

namespace tamberlink {

UiRouter::UiRouter(CMainWndUI& window, AppCore& core)
    : QObject(&window)
    , window_(window)
    , core_(core) {}

void UiRouter::SetDeviceIndicator(bool connected) {
    if (window_.IsBuilt()) {
        window_.SetDeviceIndicator(connected);
    }
}

void UiRouter::ShowProgress() {
    if (window_.IsBuilt()) {
        window_.ShowProgress();
    }
}

void UiRouter::SetProgressText(const QString& text) {
    if (window_.IsBuilt()) {
        window_.SetProgressText(text);
    }
}

void UiRouter::EndProgress() {
    if (window_.IsBuilt()) {
        window_.EndProgress();
    }
}

void UiRouter::ShowTip(const QString& text) {
    if (!window_.IsExiting()) {
        qCDebug(lcUi).noquote() << "notice:" << text;
        CMessageBox::ShowText(notice_, &window_, text);
    }
}

void UiRouter::ShowIncomingCall(const IncomingCall& call) {
    if (window_.IsExiting()) {
        return;
    }
    if (CCallInUI* popup = window_.Calls().ShowIncoming(call)) {
        connect(popup, &CCallInUI::NoteRequested, &window_, &CMainWndUI::OpenNoteForCaller,
                Qt::UniqueConnection);
    }
}

void UiRouter::ShowOutgoingCall(const OutgoingCall& call) {
    if (!window_.IsExiting()) {
        window_.Calls().ShowOutgoing(call);
    }
}

void UiRouter::CloseOutgoingCall() {
    window_.Calls().CloseOutgoing();
}

void UiRouter::CloseCallPopups() {
    window_.Calls().CloseAll();
}

void UiRouter::SetRecordingAnimation(bool playing) {
    if (!window_.IsExiting()) {
        window_.Calls().SetRecordingAnimation(playing);
    }
}

void UiRouter::ReloadContacts() {
    if (window_.IsBuilt() && !window_.IsExiting()) {
        window_.Pages().Contacts().LoadContacts();
    }
}

void UiRouter::ShowCodePicture(int form, const QString& path) {
    if (window_.IsBuilt()) {
        window_.Account().ShowCodePicture(form, path);
    }
}

void UiRouter::ShowAccountResult(int result) {
    if (window_.IsBuilt()) {
        window_.Account().ShowResult(result);
    }
}

void UiRouter::ShowLoggedIn(const QString& account, const QString& name, const QString& company) {
    if (window_.IsBuilt()) {
        window_.Account().ShowLoggedIn(account, name, company);
    }
}

void UiRouter::ShowLoggedOut() {
    if (window_.IsBuilt()) {
        window_.Account().ShowLoggedOut();
    }
}

void UiRouter::ShowNewVersion(const std::string& num, const std::string& url) {
    if (!window_.IsExiting()) {
        window_.Settings().ShowVersion(true, num, url);
    }
}

void UiRouter::ShowNoNewVersion() {
    if (!window_.IsExiting()) {
        window_.Settings().ShowVersion(false);
    }
}

void UiRouter::CloseFeedback() {
    if (window_.IsBuilt()) {
        window_.Settings().CloseFeedback();
    }
}

void UiRouter::ShowUpgradeStatus(const QString& windowText, const QString& tipText) {
    if (window_.IsExiting()) {
        return;
    }
    if (!window_.Settings().ShowUpgradeStatus(windowText) && !tipText.isEmpty()) {
        ShowTip(tipText);
    }
}

bool UiRouter::AskOriginConsent(const OriginConsent::Question& question) {
    COriginPrompt* prompt = window_.IsExiting() ? nullptr : COriginPrompt::Ask(question);
    if (prompt == nullptr) {
        return false;
    }
    OriginConsent& origins = core_.Origins();
    connect(prompt, &COriginPrompt::Answered, this,
            [&origins](std::uint64_t id, bool allowed) { origins.Answer(id, allowed); });
    connect(prompt, &COriginPrompt::Dismissed, this,
            [&origins](std::uint64_t id) { origins.Dismiss(id); });
    return true;
}

void UiRouter::CloseOriginQuestion(std::uint64_t question) {
    if (COriginPrompt* prompt = COriginPrompt::Find(question)) {
        prompt->Close();
    }
}

void UiRouter::OfferDial(const QString& number) {
    // Cleaned as a tel: link is; nothing is shown for a text without a number.
    const QString offered = NumberFromDialLink(number);
    if (!offered.isEmpty()) {
        window_.OfferNumber(offered);
    }
}

void UiRouter::OfferSms(const QStringList& numbers, const QString& content) {
    SmsRecipients recipients;
    for (const QString& given : numbers) {
        const QString number = PhoneNumber::Clean(given);
        if (!number.isEmpty()) {
            const QString name = core_.GetContactName(number);
            recipients.push_back({name.isEmpty() ? number : name, number, {}});
        }
    }
    if (CSmsNew* window = window_.Sms().OpenNew(recipients)) {
        window->SetContent(content);
        window_.ShowNormal();
    }
}

void UiRouter::ConfirmRequest(const QString& question, std::function<void()> accept) {
    if (!window_.IsExiting()) {
        window_.ShowNormal();
        const QString title = QStringLiteral("网页请求");
        OpenWindow<CTipDialog>(&window_, title, CMainWndUI::kDialogPosition, question,
                               std::move(accept), title);
    }
}

void UiRouter::AskSyncDeletion(int contacts, int total, std::function<void(bool)> answer) {
    // Answered once: "确定", or no when the question closes any other way.
    auto pending = std::make_shared<std::function<void(bool)>>(std::move(answer));
    const auto once = [pending](bool yes) {
        if (*pending) {
            const std::function<void(bool)> give = std::move(*pending);
            *pending = nullptr;
            give(yes);
        }
    };
    if (window_.IsExiting()) {
        once(false);
        return;
    }
    const QString title = QStringLiteral("通讯录同步");
    auto* question = OpenWindow<CTipDialog>(
        &window_, title, CMainWndUI::kDialogPosition,
        QStringLiteral("服务器上删除了 %1 个联系人（本机共 %2 个）。要在本机也删除它们吗？"
                       "选“取消”则保留它们，并重新上传到服务器。")
            .arg(contacts)
            .arg(total),
        [once] { once(true); }, title);
    connect(question, &QObject::destroyed, this, [once] { once(false); });
}

} // namespace tamberlink
