#include "app/DeviceBridge.h"

#include "app/AppCore.h"
#include "app/UiSink.h"
#include "util/PhoneNumber.h"

#include <QStringList>

#include <cmath>
#include <optional>

#include <pwd.h>
#include <unistd.h>

namespace tamberlink {

namespace {

QString UserName() {
    const passwd* user = ::getpwuid(::getuid());
    return user != nullptr ? QString::fromLocal8Bit(user->pw_name) : QStringLiteral("$USER");
}

} // namespace

DeviceBridge::DeviceBridge(AppCore& core)
    : core_(core)
    , firmware_(link_, *this)
    , dispatcher_(link_, *this, firmware_, this)
    , calls_(link_, *this) {
    link_.SetFrameHandler(&dispatcher_);
    link_.SetAudioSink(this);
    link_.SetHost(this);
    link_.SetIndicatorCallback([this](bool connected) { OnConnectionChanged(connected); });
}

DeviceBridge::~DeviceBridge() {
    Close();
}

bool DeviceBridge::Start(const QString& preferredPort) {
    link_.SetPreferredPort(preferredPort.toStdString());
    if (!link_.Start()) {
        core_.ShowTip(QStringLiteral("创建串口监听线程时失败"));
        return false;
    }
    return true;
}

void DeviceBridge::Close() {
    link_.Close();
}

void DeviceBridge::OnConnectionChanged(bool connected) {
    // A box that is gone cannot end its recording: the file is finished and linked now.
    if (!connected) {
        core_.Recorder().FinishRecording();
    }
    core_.Feed().Device(connected, link_.IsPhoneLinked());
    core_.PostToUiThread([this, connected] {
        core_.Sink().SetDeviceIndicator(connected);
        core_.Dialler().OnLineChanged();
    });
}

QString DeviceBridge::FirmwareVersion() const {
    std::lock_guard lock(versionMutex_);
    return firmwareVersion_;
}

bool DeviceBridge::IsConnected() const {
    return link_.IsConnected();
}

bool DeviceBridge::Write(const QByteArray& frame) {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(frame.constData());
    return link_.Send(FrameBytes(bytes, bytes + frame.size()));
}

// The box's call reports wait until the UI thread has shown the popup and logged the call.
void DeviceBridge::OnIncomingCall(const QString& number, bool onPhone) {
    const CallScreening screening = Screen(number, onPhone);
    core_.RunOnUiThread([&] { calls_.OnIncomingCall(number, onPhone, screening); });
}

// Without a number only a rule for withheld callers can act; the rest stay unshown, as ever.
void DeviceBridge::OnWithheldCall(bool onPhone) {
    const CallScreening screening = Screen(QString(), onPhone);
    if (screening.stopped) {
        core_.RunOnUiThread([&] { calls_.OnIncomingCall(QString(), onPhone, screening); });
    }
}

CallScreening DeviceBridge::Screen(const QString& number, bool onPhone) {
    const NuisanceVerdict verdict = core_.ScreenCaller(number);
    if (!verdict.Acts()) {
        return {};
    }
    QString note;
    if (verdict.Rejects()) {
        // The box is still ringing: the hang-up skips the usual pause. Waiting for its write
        // (a few milliseconds) lets the log say whether the box got it.
        if (onPhone) {
            note = QStringLiteral("手机上的来电无法由设备挂断，已静音");
        } else if (!link_.Write(frame::Command(frame::kHangUp), std::chrono::milliseconds(0))) {
            note = QStringLiteral("设备未连接，挂断指令未能发出");
        }
    }
    core_.Nuisance().LogCall(PhoneNumber::WithoutTrunkZero(number), *verdict.rule, note);
    return {verdict.Caption(), verdict.Stops()};
}

void DeviceBridge::OnMissedCall(const QString& number) {
    core_.RunOnUiThread([&] { calls_.OnMissedCall(number); });
}

// The box tells that a call was taken up by closing the outgoing popup.
void DeviceBridge::CloseOutgoingCall() {
    core_.Feed().Answered();
    core_.PostToUiThread([this] { core_.Sink().CloseOutgoingCall(); });
}

void DeviceBridge::CloseCallPopups() {
    if (const std::optional<double> seconds = core_.Feed().Ended()) {
        core_.RecordCallLength(int(std::lround(*seconds)));
    }
    core_.RunOnUiThread([this] {
        core_.Sink().CloseCallPopups();
        core_.Dialler().OnCallEnded();
    });
}

void DeviceBridge::OnPhoneLinkChanged(bool linked) {
    core_.Feed().Device(link_.IsConnected(), linked);
    core_.PostToUiThread([this] { core_.Dialler().OnLineChanged(); });
}

void DeviceBridge::SetAreaCode(const QString& code) {
    core_.SetAreaCode(code);
}

void DeviceBridge::SetFenjiCode(const QString& code) {
    core_.SetFenjiCode(code);
}

void DeviceBridge::SetFirmwareVersion(const QString& version) {
    std::lock_guard lock(versionMutex_);
    firmwareVersion_ = version;
}

void DeviceBridge::ShowUpgradeStatus(const QString& windowText, const QString& tipText) {
    core_.PostToUiThread(
        [this, windowText, tipText] { core_.Sink().ShowUpgradeStatus(windowText, tipText); });
}

// Serial ports belong to the group "dialout"; a user outside it can never reach the box.
void DeviceBridge::ReportPortsDenied(const std::vector<std::string>& ports) {
    QStringList names;
    for (const std::string& port : ports) {
        names << QString::fromStdString(port);
    }
    const QString user = UserName();
    core_.ShowTip(QStringLiteral("没有权限打开串口 %1，无法连接设备。请把用户 %2 加入 dialout "
                                 "组：sudo usermod -aG dialout %2，然后注销并重新登录。")
                      .arg(names.join(QStringLiteral("、")), user));
}

void DeviceBridge::PostToUiThread(std::function<void()> task) {
    core_.PostToUiThread(std::move(task));
}

DialSettings DeviceBridge::CurrentDialSettings() {
    const SettingsStore& settings = core_.Settings();
    DialSettings out;
    out.fenjiCode = settings.FenjiCode();
    out.areaCode = settings.AreaCode();
    out.ipCode = settings.IpCode();
    out.switchIP = settings.SwitchIP();
    out.popOff = settings.PopOff();
    return out;
}

void DeviceBridge::ShowTip(const QString& text) {
    core_.ShowTip(text);
}

QString DeviceBridge::GetContactName(const QString& number) {
    return core_.GetContactName(number);
}

bool DeviceBridge::AddCallLog(const QString& number, const QString& place, const QString& corp,
                              int type, const QString& nuisanceLabel) {
    return core_.AddCallLog(number, place, corp, type, nuisanceLabel);
}

bool DeviceBridge::AddSms(const QString& number, const QString& content,
                          const QString& attribution) {
    return core_.AddSms(number, content, attribution);
}

bool DeviceBridge::IsDoNotCall(const QString& number) {
    return core_.IsDoNotCall(number);
}

NumberAttribution DeviceBridge::LookUp(const QString& number) {
    return core_.Attribution().Lookup(
        PhoneNumber::WithLocalAreaCode(number, core_.Settings().AreaCode()));
}

void DeviceBridge::ShowIncomingCall(const QString& attribution, const QString& head,
                                    const QString& number, const QString& name, bool onPhone,
                                    const QString& nuisanceLabel) {
    const IncomingCall call{attribution, head, number, name, onPhone, nuisanceLabel};
    core_.RunOnUiThread([this, &call] { core_.Sink().ShowIncomingCall(call); });
}

void DeviceBridge::ShowOutgoingCall(const QString& display, const QString& prefix,
                                    const QString& number, const QString& name) {
    const OutgoingCall call{display, prefix, number, name};
    core_.RunOnUiThread([this, &call] { core_.Sink().ShowOutgoingCall(call); });
}

void DeviceBridge::ReportCall(const CallReport& call) {
    core_.Feed().Call(call);
}

void DeviceBridge::ReportSmsSent(const QStringList& numbers, int length) {
    core_.Feed().SmsSent(numbers, length);
}

void DeviceBridge::ReportSmsFailed(const QStringList& numbers) {
    core_.ReportSmsFailed(numbers);
}

bool DeviceBridge::IsRecording() const {
    return core_.Recorder().IsRecording();
}

void DeviceBridge::EncodeSamples(const std::uint8_t* samples, std::size_t count) {
    core_.Recorder().EncodeSamples(samples, count);
}

void DeviceBridge::StartRecording(bool started) {
    core_.Recorder().StartRecording(started);
}

void DeviceBridge::StopRecording(bool close) {
    core_.Recorder().StopRecording(close);
}

} // namespace tamberlink
