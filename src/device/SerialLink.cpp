#include "device/SerialLink.h"

#include "device/AudioSink.h"
#include "device/DeviceLog.h"
#include "device/DeviceMonitor.h"
#include "device/PortList.h"
#include "device/SerialPort.h"
#include "device/Wakeup.h"
#include "util/TextCodec.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <poll.h>
#include <pthread.h>
#include <system_error>

namespace tamberlink {

namespace {

using namespace std::chrono_literals;

constexpr auto kOpenCheck = 1000ms;        // how long a freshly opened port has to answer
constexpr int kFruitlessPauseMs = 500;     // between search passes that found nothing
constexpr int kReadFailurePauseMs = 100;   // before reading a failed port again
constexpr auto kThreadStopLimit = 3000ms;  // how long Close waits for each thread
constexpr auto kPortReleaseLimit = 1000ms; // how long a port swap waits for the listener

} // namespace

void StartupQueries::Reset() {
    areaCodeReplied = false;
    areaCodeAsked = 0;
    extensionReplied = false;
    extensionAsked = 0;
    missedCallReplied = false;
    missedCallAsked = 0;
}

SerialLink::SerialLink()
    : lister_(ListSerialPorts)
    , listenerWake_(std::make_unique<Wakeup>())
    , searchWake_(std::make_unique<Wakeup>()) {}

SerialLink::~SerialLink() {
    Close();
}

bool SerialLink::Start() {
    if (watchDevices_) {
        monitor_ = std::make_unique<DeviceMonitor>();
    }
    {
        std::lock_guard lock(stateMutex_);
        runningThreads_ = 2;
    }
    try {
        listener_ = std::thread(&SerialLink::RunThread, this, &SerialLink::ListenerMain);
        search_ = std::thread(&SerialLink::RunThread, this, &SerialLink::SearchMain);
    } catch (const std::system_error& error) {
        qCWarning(lcSerial, "cannot start the serial threads: %s", error.what());
        std::lock_guard lock(stateMutex_);
        runningThreads_ -= listener_.joinable() ? 1 : 2;
        return false;
    }
    RequestSearch();
    return true;
}

void SerialLink::Close() {
    {
        std::lock_guard lock(stateMutex_);
        if (stopping_) {
            return;
        }
        stopping_ = true;
    }
    stateChanged_.notify_all();
    readingEnabled_ = false;
    connected_ = false;
    listenerWake_->Signal();
    searchWake_->Signal();

    bool stopped = false;
    {
        std::unique_lock lock(stateMutex_);
        stopped =
            stateChanged_.wait_for(lock, kThreadStopLimit, [this] { return runningThreads_ == 0; });
    }
    for (std::thread* thread : {&listener_, &search_}) {
        if (!thread->joinable()) {
            continue;
        }
        if (stopped) {
            thread->join();
        } else {
            qCWarning(lcSerial, "a serial thread did not stop in time; leaving it behind");
            thread->detach();
        }
    }
    std::lock_guard lock(portMutex_);
    port_.reset();
}

void SerialLink::RunThread(void (SerialLink::*body)()) {
    try {
        (this->*body)();
    } catch (const std::exception& error) {
        qCWarning(lcSerial, "serial thread ended: %s", error.what());
    } catch (...) {
        qCWarning(lcSerial, "serial thread ended by an unknown error");
    }
    {
        std::lock_guard lock(stateMutex_);
        --runningThreads_;
    }
    stateChanged_.notify_all();
}

void SerialLink::RequestSearch() {
    searchRequested_ = true;
    searchWake_->Signal();
}

void SerialLink::DeviceChange() {
    if (connected_) {
        const FrameBytes probe = frame::Command(frame::kAcknowledge);
        bool written = false;
        if (auto port = CurrentPort()) {
            std::lock_guard lock(writeMutex_);
            written = port->Write(probe.data(), probe.size());
        }
        if (!written) {
            Disconnect();
        }
    }
    if (!connected_) {
        RequestSearch();
    }
}

bool SerialLink::Write(const FrameBytes& bytes) {
    return Write(bytes.data(), bytes.size());
}

bool SerialLink::Write(const std::uint8_t* bytes, std::size_t count) {
    return WriteAfter(50ms, bytes, count);
}

bool SerialLink::WriteQuickly(const std::uint8_t* bytes, std::size_t count) {
    return WriteAfter(1ms, bytes, count);
}

bool SerialLink::WriteAfter(std::chrono::milliseconds pause, const std::uint8_t* bytes,
                            std::size_t count) {
    if (!connected_) {
        Disconnect();
        return false;
    }
    std::this_thread::sleep_for(pause);
    bool written = false;
    if (auto port = CurrentPort()) {
        std::lock_guard lock(writeMutex_);
        written = port->Write(bytes, count);
    }
    qCDebug(lcSerial, "sent%s%s", HexDump(bytes, count).c_str(), written ? "" : " (failed)");
    if (!written) {
        Disconnect();
    }
    return written;
}

void SerialLink::Disconnect() {
    phoneLinked_ = false;
    queries_.Reset();
    SetConnected(false);
    searchWake_->Signal();
}

void SerialLink::SetConnected(bool connected) {
    if (connected_ == connected) {
        return;
    }
    std::lock_guard lock(connectionMutex_);
    if (connected_.exchange(connected) == connected) {
        return;
    }
    if (connected) {
        // Under the lock, so that an open waiting for the first frame cannot miss it.
        std::lock_guard stateLock(stateMutex_);
        stateChanged_.notify_all();
    }
    if (indicator_) {
        indicator_(connected);
    }
}

bool SerialLink::Pause(std::chrono::milliseconds duration) {
    std::unique_lock lock(stateMutex_);
    return !stateChanged_.wait_for(lock, duration, [this] { return stopping_.load(); });
}

std::string SerialLink::LastGoodPort() const {
    std::lock_guard lock(portMutex_);
    return lastGoodPort_;
}

std::shared_ptr<SerialPort> SerialLink::CurrentPort() const {
    std::lock_guard lock(portMutex_);
    return port_;
}

void SerialLink::ListenerMain() {
    pthread_setname_np(pthread_self(), "serial-listen");
    std::array<std::uint8_t, frame::kMaxRead> chunk{};
    while (!stopping_) {
        std::shared_ptr<SerialPort> port = readingEnabled_ ? CurrentPort() : nullptr;
        pollfd fds[2] = {{listenerWake_->Fd(), POLLIN, 0}, {-1, POLLIN, 0}};
        if (port) {
            fds[1].fd = port->Fd();
        }
        if (::poll(fds, port ? 2 : 1, -1) < 0 && errno != EINTR) {
            throw std::system_error(errno, std::generic_category(), "poll");
        }
        if (fds[0].revents != 0) {
            listenerWake_->Clear();
        }
        if (!port || fds[1].revents == 0 || stopping_ || !readingEnabled_) {
            continue;
        }
        const long count = port->Read(chunk.data(), chunk.size());
        // Let go of the port before dispatching, so a search may close it meanwhile.
        port.reset();
        if (count < 0) {
            OnReadFailure();
        } else if (count > 0) {
            ReadChunk(chunk.data(), static_cast<std::size_t>(count));
        }
    }
}

void SerialLink::ReadChunk(const std::uint8_t* chunk, std::size_t count) {
    const bool recording = audio_ != nullptr && audio_->IsRecording();
    auto deliver = [this](const std::uint8_t* frame, std::size_t size) {
        Deliver(frame, size);
    };
    if (recording) {
        if (!wasRecording_) {
            assembler_.Reset();
        }
        scanner_.Scan(chunk, count, deliver, [this](const std::uint8_t* samples, std::size_t n) {
            qCDebug(lcSerial, "audio%s", HexDump(samples, n).c_str());
            audio_->EncodeSamples(samples, n);
        });
    } else {
        if (wasRecording_) {
            scanner_.Flush([&](const std::uint8_t* kept, std::size_t n) {
                assembler_.Feed(kept, n, deliver);
            });
        }
        assembler_.Feed(chunk, count, deliver);
    }
    wasRecording_ = recording;
}

void SerialLink::Deliver(const std::uint8_t* frame, std::size_t size) {
    qCDebug(lcSerial, "received%s", HexDump(frame, size).c_str());
    SetConnected(true);
    if (handler_ != nullptr) {
        handler_->HandleFrame(frame, size);
    }
}

void SerialLink::OnReadFailure() {
    Disconnect();
    // A port that fails to read has usually gone away (the box was pulled out); look for
    // it again as a device change would, and do not spin on the dead port meanwhile.
    RequestSearch();
    WaitListenerEvent(kReadFailurePauseMs);
}

void SerialLink::WaitListenerEvent(int timeoutMs) {
    pollfd fd{listenerWake_->Fd(), POLLIN, 0};
    if (::poll(&fd, 1, timeoutMs) > 0) {
        listenerWake_->Clear();
    }
}

void SerialLink::SearchMain() {
    pthread_setname_np(pthread_self(), "serial-search");
    while (!stopping_) {
        if (connected_ || !searchRequested_) {
            WaitSearchEvent(-1);
            continue;
        }
        if (!SearchPass() && !stopping_) {
            WaitSearchEvent(kFruitlessPauseMs);
        }
    }
}

void SerialLink::WaitSearchEvent(int timeoutMs) {
    pollfd fds[2] = {{searchWake_->Fd(), POLLIN, 0}, {monitor_ ? monitor_->Fd() : -1, POLLIN, 0}};
    if (::poll(fds, 2, timeoutMs) <= 0) {
        return;
    }
    if (fds[0].revents != 0) {
        searchWake_->Clear();
    }
    if (fds[1].revents != 0 && monitor_->TakeEvents() && !stopping_) {
        DeviceChange();
    }
}

bool SerialLink::SearchPass() {
    const std::string lastGood = LastGoodPort();
    // A success on the last good port leaves the search requested.
    if (!lastGood.empty() && OpenPort(lastGood)) {
        return true;
    }
    std::vector<std::string> names;
    if (!preferredPort_.empty()) {
        names.push_back(preferredPort_);
    }
    if (lister_) {
        for (std::string& name : lister_()) {
            names.push_back(std::move(name));
        }
    }
    std::vector<std::string> tried{lastGood};
    for (const std::string& name : names) {
        if (stopping_) {
            return false;
        }
        if (std::find(tried.begin(), tried.end(), name) != tried.end()) {
            continue;
        }
        tried.push_back(name);
        if (OpenPort(name)) {
            searchRequested_ = false;
            return true;
        }
    }
    return false;
}

bool SerialLink::OpenPort(const std::string& name) {
    DropPort();
    std::unique_ptr<SerialPort> opened = SerialPort::Open(name);
    if (!opened) {
        return false;
    }
    qCDebug(lcSerial, "opened %s", name.c_str());
    {
        std::lock_guard lock(portMutex_);
        port_ = std::move(opened);
    }
    readingEnabled_ = true;
    listenerWake_->Signal();
    {
        std::unique_lock lock(stateMutex_);
        stateChanged_.wait_for(lock, kOpenCheck, [this] { return connected_ || stopping_; });
    }
    if (connected_ && !stopping_) {
        std::lock_guard lock(portMutex_);
        lastGoodPort_ = name;
        ++openCount_;
        return true;
    }
    readingEnabled_ = false;
    qCDebug(lcSerial, "no answer on %s", name.c_str());
    return false;
}

void SerialLink::DropPort() {
    readingEnabled_ = false;
    std::shared_ptr<SerialPort> old;
    {
        std::lock_guard lock(portMutex_);
        old = std::move(port_);
    }
    if (!old) {
        return;
    }
    // The listener may still be polling it; the port is only closed once it lets go, and an
    // exclusive port must be closed before it can be opened again.
    listenerWake_->Signal();
    const auto deadline = std::chrono::steady_clock::now() + kPortReleaseLimit;
    while (old.use_count() > 1 && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(1ms);
    }
}

} // namespace tamberlink
