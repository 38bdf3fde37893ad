#include "device/FirmwareTransfer.h"

#include "device/DeviceFrame.h"
#include "device/DeviceHost.h"
#include "device/DeviceLog.h"
#include "device/SerialLink.h"
#include "util/TextCodec.h"

#include <QFile>

#include <cstdio>
#include <memory>
#include <string>

namespace tamberlink {

namespace {

using namespace std::chrono_literals;

// After this many failed attempts nothing more is sent until the program restarts.
constexpr int kMaxFailures = 3;

// A long line goes out in pieces of at most this many characters; an even count keeps every
// hex pair inside one piece.
constexpr int kPieceChars = 1022;

using File = std::unique_ptr<FILE, int (*)(FILE*)>;

// The next piece of a line, its line end included when it fits.
bool ReadPiece(FILE* file, std::string& piece) {
    char buffer[kPieceChars + 1];
    if (std::fgets(buffer, sizeof buffer, file) == nullptr) {
        return false;
    }
    piece.assign(buffer);
    return true;
}

void DropLineEnd(std::string& piece) {
    while (!piece.empty() && (piece.back() == '\n' || piece.back() == '\r')) {
        piece.pop_back();
    }
}

} // namespace

FirmwareTransfer::FirmwareTransfer(SerialLink& link, DeviceHost& host)
    : link_(link)
    , host_(host) {}

void FirmwareTransfer::StartUpgrade(const QString& path) {
    const FrameBytes request = frame::Command(frame::kRequestUpgrade);
    link_.WriteQuickly(request.data(), request.size());
    std::lock_guard lock(pathMutex_);
    path_ = path;
}

QString FirmwareTransfer::Path() const {
    std::lock_guard lock(pathMutex_);
    return path_;
}

void FirmwareTransfer::SendFirmware() {
    qCDebug(lcSerial) << "收到进入升级模式指令";
    upgrading_ = true;
    if (failures_ > kMaxFailures) {
        return;
    }
    const QString path = Path();
    if (path.isEmpty()) {
        const QString text = QStringLiteral("升级失败，未选择升级文件");
        host_.ShowUpgradeStatus(text, text);
        return;
    }
    if (!link_.Pause(1000ms)) {
        return;
    }
    File file(std::fopen(QFile::encodeName(path).constData(), "rb"), std::fclose);
    if (!file) {
        const QString text = QStringLiteral("升级失败，请检查升级文件是否存在");
        host_.ShowUpgradeStatus(text, text);
        upgrading_ = false;
        return;
    }
    host_.ShowUpgradeStatus(QStringLiteral("进入升级模式，开始升级"), QString());

    std::string piece;
    int lineCount = 0;
    while (ReadPiece(file.get(), piece)) {
        ++lineCount;
    }
    std::rewind(file.get());

    for (int index = 0; upgrading_ && ReadPiece(file.get(), piece); ++index) {
        DropLineEnd(piece);
        const std::vector<std::uint8_t> bytes = HexToBytes(piece);
        link_.WriteQuickly(bytes.data(), bytes.size());
        qCDebug(lcSerial, "firmware%s", HexDump(bytes.data(), bytes.size()).c_str());
        host_.ShowUpgradeStatus(QStringLiteral("固件升级中:%1%").arg(index * 100 / lineCount),
                                QString());
    }
    upgrading_ = false;
}

void FirmwareTransfer::OnAttemptFailed() {
    const int failures = ++failures_;
    upgrading_ = false;
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
