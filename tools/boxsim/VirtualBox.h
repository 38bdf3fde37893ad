#pragma once

#include <chrono>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace boxsim {

using Bytes = std::vector<std::uint8_t>;
using Clock = std::chrono::steady_clock;

struct Options {
    std::string linkPath;    // a symlink kept pointing at the current pseudo-terminal
    std::string controlPath; // a Unix socket taking commands, one per line
    std::string logPath;     // a copy of everything printed
    bool phoneLinked = true;
    bool answerQueries = true;
    int heartbeatMs = 0; // status frames after the first acknowledgement; 0 for none
    std::string areaCode;
    std::string extension;
    std::string version = "1.0.5";
    std::string missedRecord;
    std::string speech; // streamed, spoken, while recording instead of the tone
};

// A telephone box on a pseudo-terminal, speaking the box's side of the frame contract.
// Commands come from standard input or the control socket; everything the box receives
// and sends is printed, one event per line.
class VirtualBox {
public:
    explicit VirtualBox(Options options);
    ~VirtualBox();

    bool Start();
    int Run();

private:
    struct Client {
        int fd;
        std::string pending;
    };
    enum class Upgrade { Off, Receiving };

    // Commands.
    std::string Execute(const std::string& line);
    void ReadCommands(int fd, std::string& pending, bool replies);

    // The port.
    bool CreatePort();
    void DestroyPort();
    bool Present() const { return master_ >= 0; }
    bool Answering() const { return Present() && !unplugged_; }
    void Send(const Bytes& bytes);
    bool WriteMaster(const std::uint8_t* bytes, std::size_t count, bool mayWait);
    void SendStatus();
    void SendCommand(std::uint8_t command);
    void SendText(std::uint8_t command, const std::string& text);
    void SendCallReport(std::uint8_t command, const std::string& number);

    // What comes from the PC.
    void ReadMaster();
    void ParseInput(bool flushIncomplete);
    void OnFrame(const Bytes& frame);
    void OnPhoneFrame(const Bytes& frame);
    void OnSmsPart(const Bytes& frame);

    // Recording and upgrade.
    void StartAudio();
    void StopAudio();
    void StreamAudio();
    void BeginUpgradeAttempt();
    void FinishUpgradeAttempt();

    void Tick();
    int NextTimeoutMs() const;
    void Log(const std::string& line);

    Options options_;
    int master_ = -1;
    int slave_ = -1; // held so the port outlives the program's opens and can be paused
    std::string portPath_;
    bool unplugged_ = false;
    bool quit_ = false;

    int listen_ = -1;
    std::vector<Client> clients_;
    std::string stdinPending_;
    bool stdinOpen_ = true;
    FILE* log_ = nullptr;

    Bytes input_;
    Clock::time_point inputSince_{};

    bool acknowledged_ = false;
    Clock::time_point nextStatus_{};

    std::string smsNumberHex_;
    std::vector<std::string> smsNumbers_;
    std::string smsContentHex_;

    bool recordAllowed_ = true;
    bool stopWithFile_ = true;
    bool streaming_ = false;
    Clock::time_point audioStart_{};
    long long samplesDue_ = 0;
    long long samplesSent_ = 0;
    long long samplesDropped_ = 0;
    Bytes speech_;

    bool upgradeSucceeds_ = true;
    int upgradeAttemptsLeft_ = 0;
    // The firmware's size when told: an attempt ends once that many bytes have come rather
    // than after a quiet time, so that a slow sender does not split it.
    long long upgradeSize_ = 0;
    Upgrade upgrade_ = Upgrade::Off;
    Clock::time_point upgradeSince_{};
    Clock::time_point upgradeLastData_{};
    long long upgradeBytes_ = 0;

    std::mt19937 random_{20240611};
};

} // namespace boxsim
