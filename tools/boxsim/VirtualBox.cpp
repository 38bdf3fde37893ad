#include "VirtualBox.h"

#include "LineAudio.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <poll.h>
#include <sstream>
#include <sys/socket.h>
#include <sys/un.h>
#include <termios.h>
#include <unistd.h>

namespace boxsim {

namespace {

using namespace std::chrono_literals;

constexpr std::uint8_t kStart = 0xA5;
constexpr std::uint8_t kPhoneStart = 0xA6;
constexpr std::uint8_t kAudioStart = 0xA7;
constexpr std::uint8_t kEnd = 0x55;
constexpr std::size_t kMaxFrame = 63;

constexpr int kSampleRate = 32000;
constexpr int kSamplesPerPacket = 60;     // A7, 60 samples and 55 make one 62-byte read
constexpr auto kAnnounceInterval = 500ms; // status frames until the PC acknowledges one
constexpr auto kIncompleteLimit = 300ms;  // a frame not finished by then is garbage
constexpr auto kUpgradeQuiet = 600ms;     // no firmware bytes for this long ends a line run
constexpr auto kUpgradeNoData = 3000ms;   // an attempt that gets no bytes at all
constexpr auto kAudioTick = 5ms;

volatile std::sig_atomic_t gSignalled = 0;

void OnSignal(int) {
    gSignalled = 1;
}

std::string Hex(const std::uint8_t* bytes, std::size_t count) {
    static const char kDigits[] = "0123456789ABCDEF";
    std::string out;
    for (std::size_t i = 0; i < count; ++i) {
        if (i > 0) {
            out += ' ';
        }
        out += kDigits[bytes[i] >> 4];
        out += kDigits[bytes[i] & 0xF];
    }
    return out;
}

std::string Hex(const Bytes& bytes) {
    return Hex(bytes.data(), bytes.size());
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    return -1;
}

bool ParseHex(const std::string& text, Bytes& out) {
    std::string digits;
    for (char c : text) {
        if (!std::isspace(static_cast<unsigned char>(c))) {
            digits += c;
        }
    }
    if (digits.size() % 2 != 0) {
        return false;
    }
    for (std::size_t i = 0; i < digits.size(); i += 2) {
        const int high = HexValue(digits[i]);
        const int low = HexValue(digits[i + 1]);
        if (high < 0 || low < 0) {
            return false;
        }
        out.push_back(static_cast<std::uint8_t>(high * 16 + low));
    }
    return true;
}

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// SMS text travels as four lower-case hex digits per UTF-16 unit.
std::string DecodeSmsHex(const std::string& hex) {
    std::vector<char16_t> units;
    for (std::size_t i = 0; i + 4 <= hex.size(); i += 4) {
        int value = 0;
        for (std::size_t k = 0; k < 4; ++k) {
            const int digit = HexValue(hex[i + k]);
            value = digit < 0 ? -1 : value * 16 + digit;
            if (value < 0) {
                break;
            }
        }
        units.push_back(value < 0 ? u'?' : static_cast<char16_t>(value));
    }
    std::string out;
    for (std::size_t i = 0; i < units.size(); ++i) {
        char32_t c = units[i];
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
            units[i + 1] < 0xE000) {
            c = 0x10000 + ((c - 0xD800) << 10) + (units[++i] - 0xDC00);
        }
        AppendUtf8(out, c);
    }
    return out;
}

std::string Escape(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else {
            out += c;
        }
    }
    return out;
}

std::string PayloadText(const Bytes& frame, std::size_t from) {
    if (frame.size() < from + 1) {
        return {};
    }
    return std::string(frame.begin() + static_cast<long>(from), frame.end() - 1);
}

bool AllDigits(const std::string& text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

} // namespace

VirtualBox::VirtualBox(Options options)
    : options_(std::move(options)) {}

VirtualBox::~VirtualBox() {
    DestroyPort();
    for (const Client& client : clients_) {
        close(client.fd);
    }
    if (listen_ >= 0) {
        close(listen_);
        unlink(options_.controlPath.c_str());
    }
    if (log_ != nullptr) {
        std::fclose(log_);
    }
}

bool VirtualBox::Start() {
    std::signal(SIGPIPE, SIG_IGN);
    std::signal(SIGINT, OnSignal);
    std::signal(SIGTERM, OnSignal);
    if (!options_.logPath.empty()) {
        log_ = std::fopen(options_.logPath.c_str(), "a");
        if (log_ == nullptr) {
            std::fprintf(stderr, "cannot open the log %s: %s\n", options_.logPath.c_str(),
                         std::strerror(errno));
            return false;
        }
    }
    if (!options_.controlPath.empty()) {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        if (options_.controlPath.size() >= sizeof address.sun_path) {
            std::fprintf(stderr, "control socket path too long\n");
            return false;
        }
        std::strcpy(address.sun_path, options_.controlPath.c_str());
        unlink(options_.controlPath.c_str());
        listen_ = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (listen_ < 0 ||
            bind(listen_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            listen(listen_, 8) != 0) {
            std::fprintf(stderr, "cannot listen on %s: %s\n", options_.controlPath.c_str(),
                         std::strerror(errno));
            return false;
        }
    }
    if (!options_.speech.empty()) {
        speech_ = line_audio::SpeechSamples(options_.speech);
        if (speech_.empty()) {
            std::fprintf(stderr, "espeak-ng could not speak the text; the box streams a tone\n");
        }
    }
    return CreatePort();
}

bool VirtualBox::CreatePort() {
    master_ = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) {
        std::fprintf(stderr, "cannot create a pseudo-terminal: %s\n", std::strerror(errno));
        DestroyPort();
        return false;
    }
    portPath_ = ptsname(master_);
    slave_ = open(portPath_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    termios tio{};
    if (slave_ < 0 || tcgetattr(slave_, &tio) != 0) {
        std::fprintf(stderr, "cannot open %s: %s\n", portPath_.c_str(), std::strerror(errno));
        DestroyPort();
        return false;
    }
    cfmakeraw(&tio);
    tcsetattr(slave_, TCSANOW, &tio);
    if (!options_.linkPath.empty()) {
        const std::string temporary = options_.linkPath + ".new";
        unlink(temporary.c_str());
        if (symlink(portPath_.c_str(), temporary.c_str()) != 0 ||
            rename(temporary.c_str(), options_.linkPath.c_str()) != 0) {
            std::fprintf(stderr, "cannot link %s: %s\n", options_.linkPath.c_str(),
                         std::strerror(errno));
        }
    }
    unplugged_ = false;
    acknowledged_ = false;
    nextStatus_ = Clock::now();
    input_.clear();
    Log("pty " + portPath_);
    return true;
}

void VirtualBox::DestroyPort() {
    StopAudio();
    upgrade_ = Upgrade::Off;
    if (!options_.linkPath.empty() && master_ >= 0) {
        unlink(options_.linkPath.c_str());
    }
    if (slave_ >= 0) {
        close(slave_);
        slave_ = -1;
    }
    if (master_ >= 0) {
        close(master_);
        master_ = -1;
    }
}

int VirtualBox::Run() {
    while (!quit_ && !gSignalled) {
        std::vector<pollfd> fds;
        fds.push_back({stdinOpen_ ? 0 : -1, POLLIN, 0});
        fds.push_back({Present() ? master_ : -1, POLLIN, 0});
        fds.push_back({listen_, POLLIN, 0});
        for (const Client& client : clients_) {
            fds.push_back({client.fd, POLLIN, 0});
        }
        const int ready = poll(fds.data(), fds.size(), NextTimeoutMs());
        if (ready < 0 && errno != EINTR) {
            std::perror("poll");
            return 1;
        }
        if (ready > 0) {
            if (fds[0].revents != 0) {
                ReadCommands(0, stdinPending_, false);
            }
            if (fds[1].revents != 0 && Present()) {
                ReadMaster();
            }
            if (fds[2].revents != 0) {
                const int fd = accept4(listen_, nullptr, nullptr, SOCK_CLOEXEC);
                if (fd >= 0) {
                    clients_.push_back({fd, {}});
                }
            }
            for (std::size_t i = 3; i < fds.size(); ++i) {
                if (fds[i].revents != 0) {
                    ReadCommands(fds[i].fd, clients_[i - 3].pending, true);
                }
            }
            clients_.erase(std::remove_if(clients_.begin(), clients_.end(),
                                          [](const Client& c) { return c.fd < 0; }),
                           clients_.end());
        }
        Tick();
    }
    Log("quit");
    return 0;
}

void VirtualBox::ReadCommands(int fd, std::string& pending, bool replies) {
    char buffer[4096];
    const ssize_t n = read(fd, buffer, sizeof buffer);
    if (n <= 0) {
        if (n < 0 && (errno == EINTR || errno == EAGAIN)) {
            return;
        }
        if (fd == 0) {
            stdinOpen_ = false;
            return;
        }
        close(fd);
        for (Client& client : clients_) {
            if (client.fd == fd) {
                client.fd = -1;
            }
        }
        return;
    }
    pending.append(buffer, static_cast<std::size_t>(n));
    std::size_t end;
    while ((end = pending.find('\n')) != std::string::npos) {
        std::string line = pending.substr(0, end);
        pending.erase(0, end + 1);
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (line.empty()) {
            continue;
        }
        const std::string reply = Execute(line) + "\n";
        if (replies) {
            [[maybe_unused]] const ssize_t written = write(fd, reply.data(), reply.size());
        } else if (reply != "ok\n") {
            std::fputs(reply.c_str(), stderr);
        }
    }
}

std::string VirtualBox::Execute(const std::string& line) {
    std::istringstream in(line);
    std::string command;
    std::string arg;
    in >> command;
    in >> arg;
    std::string rest;
    std::getline(in, rest);
    const auto needPort = [this]() {
        return Answering();
    };

    if (command == "quit") {
        quit_ = true;
    } else if (command == "help") {
        return "commands: plug, unplug [hard], phone on|off, status, ring NUMBER, ring-phone "
               "NUMBER, missed NUMBER, state 12|13|14, deaf on|off, answer on|off, areacode "
               "CODE|none, "
               "extension CODE|none, version TEXT, missed-record NUMBER|none, record ok|refuse, "
               "record-stop file|nofile, upgrade ok|fail [ATTEMPTS], upgrade-size BYTES|any, send "
               "HEX, "
               "garbage COUNT, quit";
    } else if (command == "plug") {
        if (!Present()) {
            if (!CreatePort()) {
                return "error: cannot create the port";
            }
        } else if (unplugged_) {
            tcflow(slave_, TCOON);
            unplugged_ = false;
            acknowledged_ = false;
            nextStatus_ = Clock::now();
            Log("plugged");
        }
    } else if (command == "unplug") {
        if (arg == "hard") {
            DestroyPort();
            Log("unplugged hard");
        } else if (Present() && !unplugged_) {
            StopAudio();
            upgrade_ = Upgrade::Off;
            // The PC's writes no longer go anywhere, as with a box that has gone.
            tcflow(slave_, TCOOFF);
            unplugged_ = true;
            Log("unplugged");
        }
    } else if (command == "phone") {
        if (arg != "on" && arg != "off") {
            return "error: phone on|off";
        }
        options_.phoneLinked = arg == "on";
        SendStatus();
    } else if (command == "status") {
        if (!needPort()) {
            return "error: unplugged";
        }
        SendStatus();
    } else if (command == "ring" || command == "ring-phone" || command == "missed") {
        if (!AllDigits(arg) || arg.size() > 40) {
            return "error: " + command + " NUMBER";
        }
        if (!needPort()) {
            return "error: unplugged";
        }
        SendCallReport(command == "ring" ? 0x30 : command == "missed" ? 0x32 : 0x34, arg);
    } else if (command == "state") {
        if (arg != "12" && arg != "13" && arg != "14") {
            return "error: state 12|13|14";
        }
        if (!needPort()) {
            return "error: unplugged";
        }
        SendCommand(static_cast<std::uint8_t>(std::stoi(arg, nullptr, 16)));
        if (arg == "14") {
            StopAudio();
        }
    } else if (command == "deaf") {
        // The box still sends but takes nothing more from the PC: its writes stall, as with
        // a box whose line froze between a caller-ID and the PC's answer.
        if (arg != "on" && arg != "off") {
            return "error: deaf on|off";
        }
        if (!needPort()) {
            return "error: unplugged";
        }
        tcflow(slave_, arg == "on" ? TCOOFF : TCOON);
        Log("deaf " + arg);
    } else if (command == "answer") {
        options_.answerQueries = arg != "off";
    } else if (command == "areacode") {
        options_.areaCode = arg == "none" ? std::string() : arg;
    } else if (command == "extension") {
        options_.extension = arg == "none" ? std::string() : arg;
    } else if (command == "version") {
        options_.version = arg;
    } else if (command == "missed-record") {
        options_.missedRecord = arg == "none" ? std::string() : arg;
    } else if (command == "record") {
        recordAllowed_ = arg != "refuse";
    } else if (command == "record-stop") {
        stopWithFile_ = arg != "nofile";
    } else if (command == "upgrade") {
        upgradeSucceeds_ = arg != "fail";
        const std::string attempts = rest.empty() ? std::string() : rest.substr(1);
        upgradeAttemptsLeft_ = attempts.empty() ? 5 : std::max(1, std::atoi(attempts.c_str()));
    } else if (command == "upgrade-size") {
        const long long bytes = arg == "any" ? 0 : std::atoll(arg.c_str());
        if (bytes < 0 || (bytes == 0 && arg != "any")) {
            return "error: upgrade-size BYTES|any";
        }
        upgradeSize_ = bytes;
    } else if (command == "send") {
        Bytes bytes;
        if (!ParseHex(arg + rest, bytes) || bytes.empty()) {
            return "error: send HEX";
        }
        if (!needPort()) {
            return "error: unplugged";
        }
        Send(bytes);
    } else if (command == "garbage") {
        const int count = std::atoi(arg.c_str());
        if (count <= 0 || count > 4096) {
            return "error: garbage COUNT";
        }
        if (!needPort()) {
            return "error: unplugged";
        }
        // Random bytes that never start a frame.
        Bytes bytes;
        std::uniform_int_distribution<int> byte(0, 255);
        while (static_cast<int>(bytes.size()) < count) {
            const int value = byte(random_);
            if (value != kStart) {
                bytes.push_back(static_cast<std::uint8_t>(value));
            }
        }
        Send(bytes);
    } else {
        return "error: unknown command " + command;
    }
    return "ok";
}

void VirtualBox::Send(const Bytes& bytes) {
    if (!Answering()) {
        return;
    }
    // Logged before the bytes go out: whatever the PC does once it has read them, the log
    // already holds them.
    Log("tx " + Hex(bytes));
    if (!WriteMaster(bytes.data(), bytes.size(), true)) {
        Log("tx-failed");
    }
}

bool VirtualBox::WriteMaster(const std::uint8_t* bytes, std::size_t count, bool mayWait) {
    std::size_t done = 0;
    while (done < count) {
        const ssize_t n = write(master_, bytes + done, count - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0 && errno == EAGAIN && mayWait) {
            pollfd fd{master_, POLLOUT, 0};
            if (poll(&fd, 1, 1000) > 0) {
                continue;
            }
        }
        return false;
    }
    return true;
}

void VirtualBox::SendStatus() {
    Send({kStart, 0x82, 0x05, static_cast<std::uint8_t>(options_.phoneLinked ? '1' : '0'), kEnd});
}

void VirtualBox::SendCommand(std::uint8_t command) {
    Send({kStart, command, 0x04, kEnd});
}

void VirtualBox::SendText(std::uint8_t command, const std::string& text) {
    Bytes frame{kStart, command, static_cast<std::uint8_t>(text.size() + 4)};
    frame.insert(frame.end(), text.begin(), text.end());
    frame.push_back(kEnd);
    Send(frame);
}

void VirtualBox::SendCallReport(std::uint8_t command, const std::string& number) {
    if (command == 0x34) {
        SendText(command, number);
        return;
    }
    // Eight bytes of the call's time (month, day, hour, minute) come before the digits.
    char stamp[16];
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    std::strftime(stamp, sizeof stamp, "%m%d%H%M", &local);
    Bytes frame{kStart, command, static_cast<std::uint8_t>(number.size() + 12)};
    frame.insert(frame.end(), stamp, stamp + 8);
    frame.insert(frame.end(), number.begin(), number.end());
    frame.push_back(kEnd);
    Send(frame);
}

void VirtualBox::ReadMaster() {
    std::uint8_t buffer[4096];
    const ssize_t n = read(master_, buffer, sizeof buffer);
    if (n <= 0) {
        return;
    }
    std::size_t taken = 0;
    if (upgrade_ == Upgrade::Receiving) {
        // With the size known, what follows the firmware is read as frames again.
        taken = static_cast<std::size_t>(n);
        if (upgradeSize_ > 0) {
            taken = static_cast<std::size_t>(std::min<long long>(n, upgradeSize_ - upgradeBytes_));
        }
        upgradeBytes_ += static_cast<long long>(taken);
        upgradeLastData_ = Clock::now();
        Log("upgrade-data " + Hex(buffer, taken));
        if (upgradeSize_ > 0 && upgradeBytes_ >= upgradeSize_) {
            FinishUpgradeAttempt();
        }
        if (taken == static_cast<std::size_t>(n)) {
            return;
        }
    }
    if (input_.empty()) {
        inputSince_ = Clock::now();
    }
    input_.insert(input_.end(), buffer + taken, buffer + n);
    ParseInput(false);
}

void VirtualBox::ParseInput(bool flushIncomplete) {
    while (!input_.empty() && upgrade_ == Upgrade::Off) {
        const std::uint8_t first = input_[0];
        std::size_t length = 0; // the whole frame, once known
        bool haveLength = false;
        bool phoneFrame = first == kPhoneStart;
        if (first == kStart && input_.size() >= 3) {
            length = input_[2];
            haveLength = true;
        } else if (phoneFrame && input_.size() >= 2) {
            const std::size_t at = input_[1] == 0x03 ? 2 : 3;
            if (input_.size() > at) {
                length = input_[at];
                haveLength = true;
            }
        }
        const bool startByte = first == kStart || phoneFrame;
        const bool badLength = haveLength && (length < 4 || length > kMaxFrame);
        if (startByte && !badLength && (!haveLength || input_.size() < length)) {
            if (!flushIncomplete) {
                return; // wait for the rest
            }
        } else if (startByte && !badLength) {
            const bool ended = input_[length - 1] == kEnd;
            const bool smsPart = phoneFrame && input_[1] != 0x03;
            if (ended || smsPart) {
                Bytes frame(input_.begin(), input_.begin() + static_cast<long>(length));
                input_.erase(input_.begin(), input_.begin() + static_cast<long>(length));
                inputSince_ = Clock::now();
                if (phoneFrame) {
                    OnPhoneFrame(frame);
                } else {
                    OnFrame(frame);
                }
                continue;
            }
        }
        Log("rx-garbage " + Hex(input_.data(), 1));
        input_.erase(input_.begin());
        flushIncomplete = false;
        inputSince_ = Clock::now();
    }
}

void VirtualBox::OnFrame(const Bytes& frame) {
    Log("rx " + Hex(frame));
    const std::uint8_t command = frame[1];
    const bool answer = options_.answerQueries;
    switch (command) {
    case 0x83:
        Log("ack");
        acknowledged_ = true;
        nextStatus_ = options_.heartbeatMs > 0
                          ? Clock::now() + std::chrono::milliseconds(options_.heartbeatMs)
                          : Clock::time_point::max();
        break;
    case 0x63:
        Log("ask areacode");
        if (answer) {
            options_.areaCode.empty() ? SendCommand(0x65) : SendText(0x64, options_.areaCode);
        }
        break;
    case 0x90:
        Log("ask version");
        if (answer && !options_.version.empty()) {
            SendText(0x91, options_.version);
        }
        break;
    case 0x53:
        Log("ask extension");
        if (answer) {
            options_.extension.empty() ? SendCommand(0x55) : SendText(0x54, options_.extension);
        }
        break;
    case 0x31:
        Log("ask missed");
        if (answer) {
            if (options_.missedRecord.empty()) {
                SendCommand(0x33);
            } else {
                SendCallReport(0x32, options_.missedRecord);
                options_.missedRecord.clear();
            }
        }
        break;
    case 0x11:
        Log("hangup");
        break;
    case 0xFF:
        if (frame.size() >= 5) {
            Log(std::string("dial-landline ") + static_cast<char>(frame[3]) + " " +
                PayloadText(frame, 4));
        }
        break;
    case 0x50:
        options_.extension = PayloadText(frame, 3);
        Log("store-extension " + options_.extension);
        break;
    case 0x60:
        options_.areaCode = PayloadText(frame, 3);
        Log("store-areacode " + options_.areaCode);
        break;
    case 0xA0:
        Log("record-request");
        if (recordAllowed_) {
            SendCommand(0xA0);
            StartAudio();
        } else {
            SendCommand(0xA8);
        }
        break;
    case 0xA1:
        Log("record-stop-request");
        StopAudio();
        SendCommand(stopWithFile_ ? 0xA1 : 0xA9);
        break;
    case 0xA2:
    case 0xA3:
        Log(command == 0xA2 ? "auto-record on" : "auto-record off");
        break;
    case 0xB2:
        Log("upgrade-request");
        if (upgradeAttemptsLeft_ <= 0) {
            upgradeAttemptsLeft_ = upgradeSucceeds_ ? 1 : 5;
        }
        BeginUpgradeAttempt();
        break;
    default:
        Log("unknown-command");
        break;
    }
}

void VirtualBox::OnPhoneFrame(const Bytes& frame) {
    Log("rx " + Hex(frame));
    if (frame[1] == 0x03) {
        Log("dial-phone " + PayloadText(frame, 3));
    } else if (frame[1] == 0x01 || frame[1] == 0x02) {
        OnSmsPart(frame);
    } else {
        Log("unknown-command");
    }
}

void VirtualBox::OnSmsPart(const Bytes& frame) {
    const bool last = frame[2] == 0x02;
    const std::string hex(frame.begin() + 4, frame.end());
    if (frame[1] == 0x01) {
        smsNumberHex_ += hex;
        if (last) {
            smsNumbers_.push_back(DecodeSmsHex(smsNumberHex_));
            Log("sms-number " + smsNumbers_.back());
            smsNumberHex_.clear();
        }
        return;
    }
    smsContentHex_ += hex;
    if (!last) {
        return;
    }
    const std::string text = Escape(DecodeSmsHex(smsContentHex_));
    if (smsNumbers_.empty()) {
        Log("sms - " + text);
    }
    for (const std::string& number : smsNumbers_) {
        Log("sms " + number + " " + text);
    }
    smsNumbers_.clear();
    smsContentHex_.clear();
}

void VirtualBox::StartAudio() {
    streaming_ = true;
    audioStart_ = Clock::now();
    samplesSent_ = 0;
    samplesDropped_ = 0;
    Log("audio-start");
}

void VirtualBox::StopAudio() {
    if (!streaming_) {
        return;
    }
    streaming_ = false;
    Log("audio-stop sent=" + std::to_string(samplesSent_) +
        " dropped=" + std::to_string(samplesDropped_));
}

// Samples go out in real time, 32000 a second, a packet at a time.
void VirtualBox::StreamAudio() {
    const auto elapsed =
        std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - audioStart_);
    const long long due = elapsed.count() * kSampleRate / 1000000;
    while (samplesSent_ + samplesDropped_ < due) {
        const long long done = samplesSent_ + samplesDropped_;
        const int count = static_cast<int>(std::min<long long>(kSamplesPerPacket, due - done));
        Bytes packet{kAudioStart};
        for (int i = 0; i < count; ++i) {
            const long long n = done + i;
            packet.push_back(speech_.empty()
                                 ? line_audio::ToneSample(n)
                                 : speech_[static_cast<std::size_t>(n) % speech_.size()]);
        }
        packet.push_back(kEnd);
        if (WriteMaster(packet.data(), packet.size(), false)) {
            samplesSent_ += count;
        } else {
            samplesDropped_ += count;
        }
    }
}

void VirtualBox::BeginUpgradeAttempt() {
    SendCommand(0xB9);
    upgrade_ = Upgrade::Receiving;
    upgradeSince_ = Clock::now();
    upgradeBytes_ = 0;
}

void VirtualBox::FinishUpgradeAttempt() {
    upgrade_ = Upgrade::Off;
    Log("upgrade-received " + std::to_string(upgradeBytes_));
    --upgradeAttemptsLeft_;
    if (upgradeSucceeds_) {
        upgradeAttemptsLeft_ = 0;
        SendCommand(0xB6);
        return;
    }
    SendCommand(0xB8);
    if (upgradeAttemptsLeft_ > 0) {
        BeginUpgradeAttempt();
    }
}

void VirtualBox::Tick() {
    const auto now = Clock::now();
    if (Answering() && now >= nextStatus_) {
        SendStatus();
        if (!acknowledged_) {
            nextStatus_ = now + kAnnounceInterval;
        } else {
            nextStatus_ = options_.heartbeatMs > 0
                              ? now + std::chrono::milliseconds(options_.heartbeatMs)
                              : Clock::time_point::max();
        }
    }
    if (streaming_ && Answering()) {
        StreamAudio();
    }
    if (upgrade_ == Upgrade::Receiving && upgradeSize_ == 0 &&
        ((upgradeBytes_ > 0 && now - upgradeLastData_ >= kUpgradeQuiet) ||
         (upgradeBytes_ == 0 && now - upgradeSince_ >= kUpgradeNoData))) {
        FinishUpgradeAttempt();
    }
    if (!input_.empty() && now - inputSince_ >= kIncompleteLimit) {
        ParseInput(true);
    }
}

int VirtualBox::NextTimeoutMs() const {
    auto until = Clock::time_point::max();
    if (Answering()) {
        until = std::min(until, nextStatus_);
    }
    if (streaming_) {
        until = std::min(until, Clock::now() + kAudioTick);
    }
    if (upgrade_ == Upgrade::Receiving && upgradeSize_ == 0) {
        until = std::min(until, Clock::now() + 50ms);
    }
    if (!input_.empty()) {
        until = std::min(until, inputSince_ + kIncompleteLimit);
    }
    if (until == Clock::time_point::max()) {
        return -1;
    }
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - Clock::now());
    return static_cast<int>(std::clamp<long long>(left.count() + 1, 0, 60000));
}

void VirtualBox::Log(const std::string& line) {
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
    if (log_ != nullptr) {
        std::fprintf(log_, "%s\n", line.c_str());
        std::fflush(log_);
    }
}

} // namespace boxsim
