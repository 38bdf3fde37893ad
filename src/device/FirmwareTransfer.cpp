#include "device/FirmwareTransfer.h"

#include "device/DeviceFrame.h"
#include "device/DeviceHost.h"
#include "device/DeviceLog.h"
#include "device/FirmwareFile.h"
#include "device/SerialLink.h"
#include "util/TextCodec.h"

#include <algorithm>
#include <memory>

namespace tamberlink {

namespace {

// After this many failed attempts nothing more is sent until the program restarts.
constexpr int kMaxFailures = 3;

} // namespace

FirmwareTransfer::FirmwareTransfer(SerialLink& link, DeviceHost& host)
    : link_(link)
    , host_(host) {}

QString FirmwareTransfer::StartUpgrade(const QString& path) {
    // A box in upgrade mode takes whatever comes as its firmware: nothing else may reach it.
    QString refusal = FirmwareFile::Check(path);
    if (!refusal.isEmpty()) {
        return refusal;
    }
    // Before the request: the box's answer may be read before this thread runs on.
    {
        std::lock_guard lock(pathMutex_);
        path_ = path;
    }
    link_.Send(frame::Command(frame::kRequestUpgrade), kQuickPause);
    return {};
}

QString FirmwareTransfer::Path() const {
    std::lock_guard lock(pathMutex_);
    return path_;
}

// One pass over the file as its lines go out: the file is opened once the box has had a
// second to get ready, counted, and then read a line at a time.
class FirmwareTransfer::Lines {
public:
    Lines(FirmwareTransfer& transfer, std::uint64_t id, QString path)
        : transfer_(transfer)
        , id_(id)
        , path_(std::move(path)) {}

    std::optional<OutgoingFrame> Next() {
        if (!open_) {
            if (opened_) {
                return std::nullopt;
            }
            opened_ = true;
            return OutgoingFrame{{}, kEnterModePause, [this](bool) {
                                     Open();
                                 }};
        }
        std::optional<std::vector<std::uint8_t>> bytes;
        if (transfer_.active_ == id_) {
            bytes = file_.NextLine();
        }
        if (!bytes) {
            open_ = false;
            transfer_.Finish(id_);
            return std::nullopt;
        }
        // A file that grew since it was counted still shows less than 100%. Shown as the line
        // is taken, before it goes out: the box's verdict cannot come before the last one.
        const long long percent = index_ * 100 / std::max(file_.LineCount(), index_ + 1);
        ++index_;
        transfer_.host_.ShowUpgradeStatus(QStringLiteral("固件升级中:%1%").arg(percent), QString());
        qCDebug(lcSerial, "firmware%s", HexDump(bytes->data(), bytes->size()).c_str());
        return OutgoingFrame{std::move(*bytes), kQuickPause, {}};
    }

private:
    // The box needs this long in upgrade mode before the first line.
    static constexpr std::chrono::milliseconds kEnterModePause{1000};

    void Open() {
        if (!file_.Open(path_)) {
            const QString text = QStringLiteral("升级失败，请检查升级文件是否存在");
            transfer_.host_.ShowUpgradeStatus(text, text);
            transfer_.Finish(id_);
            return;
        }
        open_ = true;
        transfer_.host_.ShowUpgradeStatus(QStringLiteral("进入升级模式，开始升级"), QString());
    }

    FirmwareTransfer& transfer_;
    const std::uint64_t id_;
    const QString path_;
    FirmwareFile file_;
    bool opened_ = false;
    bool open_ = false;
    long long index_ = 0;
};

void FirmwareTransfer::SendFirmware() {
    qCDebug(lcSerial) << "收到进入升级模式指令";
    const std::uint64_t id = ++transfers_;
    active_ = id;
    if (failures_ > kMaxFailures) {
        return;
    }
    const QString path = Path();
    if (path.isEmpty()) {
        const QString text = QStringLiteral("升级失败，未选择升级文件");
        host_.ShowUpgradeStatus(text, text);
        return;
    }
    auto lines = std::make_shared<Lines>(*this, id, path);
    if (!link_.Send([lines] { return lines->Next(); })) {
        Finish(id);
    }
}

void FirmwareTransfer::Finish(std::uint64_t id) {
    active_.compare_exchange_strong(id, 0);
}

void FirmwareTransfer::OnAttemptFailed() {
    const int failures = ++failures_;
    active_ = 0;
    if (failures > kMaxFailures) {
        host_.ShowUpgradeStatus(QStringLiteral("抱歉，估计升级失败，请联系我们000-00000000"),
                                QStringLiteral("抱歉，固件升级失败，请联系我们000-00000000"));
    }
}

void FirmwareTransfer::OnSucceeded() {
    const QString text = QStringLiteral("固件升级成功");
    host_.ShowUpgradeStatus(text, text);
}

} // namespace tamberlink
