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
    link_.Send(frame::Command(frame::kRequestUpgrade), kQuickPause);
    std::lock_guard lock(pathMutex_);
    path_ = path;
}

QString FirmwareTransfer::Path() const {
    std::lock_guard lock(pathMutex_);
    return path_;
}

// One pass over the file as its lines go out: the file is opened once the box has had a
// second to get ready, counted, and then read a line at a time.
class FirmwareTransfer::Lines {
public:
    Lines(FirmwareTransfer& transfer, QString path)
        : transfer_(transfer)
        , path_(std::move(path)) {}

    std::optional<OutgoingFrame> Next() {
        if (!file_) {
            if (opened_) {
                return std::nullopt;
            }
            opened_ = true;
            return OutgoingFrame{{}, kEnterModePause, [this](bool) {
                                     Open();
                                 }};
        }
        std::string piece;
        if (!transfer_.upgrading_ || !ReadPiece(file_.get(), piece)) {
            file_.reset();
            transfer_.upgrading_ = false;
            return std::nullopt;
        }
        DropLineEnd(piece);
        const int index = index_++;
        std::vector<std::uint8_t> bytes = HexToBytes(piece);
        qCDebug(lcSerial, "firmware%s", HexDump(bytes.data(), bytes.size()).c_str());
        return OutgoingFrame{std::move(bytes), kQuickPause, [this, index](bool) {
                                 transfer_.host_.ShowUpgradeStatus(
                                     QStringLiteral("固件升级中:%1%").arg(index * 100 / lineCount_),
                                     QString());
                             }};
    }

private:
    // The box needs this long in upgrade mode before the first line.
    static constexpr std::chrono::milliseconds kEnterModePause{1000};

    void Open() {
        file_ = File(std::fopen(QFile::encodeName(path_).constData(), "rb"), std::fclose);
        if (!file_) {
            const QString text = QStringLiteral("升级失败，请检查升级文件是否存在");
            transfer_.host_.ShowUpgradeStatus(text, text);
            transfer_.upgrading_ = false;
            return;
        }
        transfer_.host_.ShowUpgradeStatus(QStringLiteral("进入升级模式，开始升级"), QString());
        std::string piece;
        while (ReadPiece(file_.get(), piece)) {
            ++lineCount_;
        }
        std::rewind(file_.get());
    }

    FirmwareTransfer& transfer_;
    const QString path_;
    File file_{nullptr, std::fclose};
    bool opened_ = false;
    int lineCount_ = 0;
    int index_ = 0;
};

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
    auto lines = std::make_shared<Lines>(*this, path);
    if (!link_.Send([lines] { return lines->Next(); })) {
        upgrading_ = false;
    }
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
