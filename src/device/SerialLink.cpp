#include "device/SerialLink.h"

#include "device/AudioSink.h"
#include "device/DeviceHost.h"
#include "device/DeviceLog.h"
#include "device/DeviceMonitor.h"
#include "device/PortList.h"
#include "device/SerialPort.h"
#include "device/Wakeup.h"
#include "util/TextCodec.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <future>
#include <poll.h>
#include <pthread.h>
#include <system_error>

namespace tamberlink {

namespace {

using namespace std::chrono_literals;

constexpr auto kOpenCheck = 1000ms;        // how long a freshly opened port has to answer
constexpr int kFruitlessPauseMs = 500;     // between search passes that found nothing
constexpr int kReadFailurePauseMs = 100;   // before reading a failed port again
constexpr auto kThreadStopLimit = 3000ms;  // how long Close waits before it reports a thread
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
    , opener_([](const std::string& path, int& error) { return SerialPort::Open(path, &error); })
    , listenerWake_(std::make_unique<Wakeup>())
    , searchWake_(std::make_unique<Wakeup>()) {}

SerialLink::~SerialLink() {
    Close();
}

bool SerialLink::Start() {
    if (watchDevices_) {
        monitor_ = std::make_unique<DeviceMonitor>();
    }
    if (!writer_.Start()) {
        return false;
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
    // First, so that a thread waiting for one of its frames is released.
    writer_.Stop();

    {
        std::unique_lock lock(stateMutex_);
        if (!stateChanged_.wait_for(lock, kThreadStopLimit,
                                    [this] { return runningThreads_ == 0; })) {
            qCWarning(lcSerial, "a serial thread is slow to stop; waiting for it");
        }
    }
    for (std::thread* thread : {&listener_, &search_}) {
        if (thread->joinable()) {
            thread->join();
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
    // The probe goes out without the ordinary pause; a failed write resets the link.
    if (connected_) {
        Write(frame::Command(frame::kAcknowledge), std::chrono::milliseconds(0));
    }
    if (!connected_) {
        RequestSearch();
    }
}

std::optional<std::uint64_t> SerialLink::ConnectionToSend() {
    // Read first: a loss after it makes the frames stale rather than sent to the next
    // connection.
    const std::uint64_t connection = connection_;
    if (!connected_) {
        Disconnect();
        return std::nullopt;
    }
    return connection;
}

bool SerialLink::Send(FrameSource source) {
    const std::optional<std::uint64_t> connection = ConnectionToSend();
    if (!connection) {
        return false;
    }
    writer_.Queue(*connection, std::move(source));
    return true;
}

bool SerialLink::Send(std::vector<OutgoingFrame> frames) {
    auto queued = std::make_shared<std::vector<OutgoingFrame>>(std::move(frames));
    return Send([queued, next = std::size_t{0}]() mutable -> std::optional<OutgoingFrame> {
        if (next >= queued->size()) {
            return std::nullopt;
        }
        return std::move((*queued)[next++]);
    });
}

bool SerialLink::Send(FrameBytes bytes, std::chrono::milliseconds pause) {
    std::vector<OutgoingFrame> frames;
    frames.push_back(OutgoingFrame{std::move(bytes), pause, {}});
    return Send(std::move(frames));
}

bool SerialLink::Write(const FrameBytes& bytes, std::chrono::milliseconds pause) {
    auto written = std::make_shared<std::promise<bool>>();
    std::future<bool> result = written->get_future();
    std::vector<OutgoingFrame> frames;
    frames.push_back(OutgoingFrame{bytes, pause, [written](bool ok) {
                                       written->set_value(ok);
                                   }});
    if (!Send(std::move(frames))) {
        return false;
    }
    if (writer_.OnWriterThread()) {
        qCWarning(lcSerial, "a write on the writer thread cannot wait for itself");
        return true;
    }
    try {
        return result.get();
    } catch (const std::future_error&) {
        return false; // dropped as the link closed
    }
}

bool SerialLink::IsCurrent(std::uint64_t connection) const {
    return connected_ && connection_ == connection;
}

bool SerialLink::WriteFrame(const FrameBytes& bytes, int cancelFd) {
    bool written = false;
    if (PortLease port(*this); port) {
        written = port->Write(bytes.data(), bytes.size(), cancelFd);
    }
    qCDebug(lcSerial, "sent%s%s", HexDump(bytes.data(), bytes.size()).c_str(),
            written ? "" : " (failed)");
    if (!written && !stopping_) {
        Disconnect();
    }
    return written;
}

void SerialLink::Disconnect() {
    ++connection_;
    phoneLinked_ = false;
    queries_.Reset();
    SetConnected(false);
    searchWake_->Signal();
}

void SerialLink::SetConnected(bool connected) {
    if (connected_ == connected) {
        return;
    }
    {
        std::lock_guard lock(connectionMutex_);
        if (connected) {
            // Under the lock, so that an open waiting for the first frame cannot miss it, and an
            // open that has given up on its port (reading stopped) is not connected by an answer
            // read just before: the search tries the port again instead.
            std::lock_guard stateLock(stateMutex_);
            if (!readingEnabled_ || connected_.exchange(true)) {
                return;
            }
            stateChanged_.notify_all();
        } else if (!connected_.exchange(false)) {
            return;
        }
        unreported_.push_back(connected);
        if (reporting_) {
            return; // the thread reporting an earlier change reports this one after it
        }
        reporting_ = true;
    }
    ReportConnectionChanges();
}

void SerialLink::ReportConnectionChanges() {
    for (;;) {
        bool connected = false;
        {
            std::lock_guard lock(connectionMutex_);
            if (unreported_.empty()) {
                reporting_ = false;
                return;
            }
            connected = unreported_.front();
            unreported_.pop_front();
        }
        // Outside the lock: a lost link finishes a recording, which writes its file and the
        // call log.
        if (indicator_) {
            try {
                indicator_(connected);
            } catch (const std::exception& error) {
                qCWarning(lcSerial, "reporting the connection failed: %s", error.what());
            }
        }
    }
}

std::string SerialLink::LastGoodPort() const {
    std::lock_guard lock(portMutex_);
    return lastGoodPort_;
}

SerialLink::PortLease::PortLease(SerialLink& link)
    : link_(link) {
    std::lock_guard lock(link_.portMutex_);
    port_ = link_.port_;
    if (port_) {
        ++link_.portLeases_;
    }
}

SerialLink::PortLease::~PortLease() {
    if (!port_) {
        return;
    }
    {
        std::lock_guard lock(link_.portMutex_);
        port_.reset();
        --link_.portLeases_;
    }
    link_.portReleased_.notify_all();
}

void SerialLink::ListenerMain() {
    pthread_setname_np(pthread_self(), "serial-listen");
    std::array<std::uint8_t, frame::kMaxRead> chunk{};
    while (!stopping_) {
        long count = 0;
        {
            std::optional<PortLease> port;
            if (readingEnabled_) {
                port.emplace(*this);
            }
            const bool polling = port && *port;
            pollfd fds[2] = {{listenerWake_->Fd(), POLLIN, 0}, {-1, POLLIN, 0}};
            if (polling) {
                fds[1].fd = (*port)->Fd();
            }
            if (::poll(fds, polling ? 2 : 1, -1) < 0 && errno != EINTR) {
                throw std::system_error(errno, std::generic_category(), "poll");
            }
            if (fds[0].revents != 0) {
                listenerWake_->Clear();
            }
            if (!polling || fds[1].revents == 0 || stopping_ || !readingEnabled_) {
                continue;
            }
            count = (*port)->Read(chunk.data(), chunk.size());
            // The lease ends before dispatching, so a search may close the port meanwhile.
        }
        if (count < 0) {
            OnReadFailure();
        } else if (count > 0) {
            ReadChunk(chunk.data(), static_cast<std::size_t>(count));
        }
    }
}

void SerialLink::ReadChunk(const std::uint8_t* chunk, std::size_t count) {
    const bool recording = audio_ != nullptr && audio_->IsRecording();
    reader_.Read(
        chunk, count, recording,
        [this](const std::uint8_t* frame, std::size_t size) { Deliver(frame, size); },
        [this](const std::uint8_t* samples, std::size_t n) {
            qCDebug(lcSerial, "audio%s", HexDump(samples, n).c_str());
            audio_->EncodeSamples(samples, n);
        });
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
        const bool found = SearchPass();
        ReportDeniedPorts();
        if (!found && !stopping_) {
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

void SerialLink::ReportDeniedPorts() {
    std::vector<std::string> ports;
    ports.swap(deniedInPass_);
    bool news = false;
    for (const std::string& port : ports) {
        if (deniedReported_.insert(port).second) {
            qCWarning(lcSerial, "no permission to open %s", port.c_str());
            news = true;
        }
    }
    if (news && host_ != nullptr && !stopping_) {
        host_->ReportPortsDenied(ports);
    }
}

bool SerialLink::OpenPort(const std::string& name) {
    DropPort();
    int error = 0;
    std::unique_ptr<SerialPort> opened = opener_(name, error);
    if (!opened) {
        if ((error == EACCES || error == EPERM) &&
            std::find(deniedInPass_.begin(), deniedInPass_.end(), name) == deniedInPass_.end()) {
            deniedInPass_.push_back(name);
        }
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
        if (!connected_ || stopping_) {
            // Given up under the lock the listener connects under: no late answer connects.
            readingEnabled_ = false;
            qCDebug(lcSerial, "no answer on %s", name.c_str());
            return false;
        }
    }
    std::lock_guard lock(portMutex_);
    lastGoodPort_ = name;
    ++openCount_;
    return true;
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
    // The listener may be polling it and the writer writing to it; an exclusive port must be
    // closed before it can be opened again, so wait for both to let go.
    listenerWake_->Signal();
    writer_.CancelWrite();
    std::unique_lock lock(portMutex_);
    if (!portReleased_.wait_for(lock, kPortReleaseLimit, [this] { return portLeases_ == 0; })) {
        qCWarning(lcSerial, "the old port is still in use; it closes when that ends");
    }
}

} // namespace tamberlink
