#pragma once

#include "device/DeviceFrame.h"
#include "device/FrameWriter.h"
#include "device/StreamReader.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace tamberlink {

class AudioSink;
class DeviceHost;
class DeviceMonitor;
class SerialPort;
class Wakeup;

// Gets every frame the listener assembles, on the listener thread.
class FrameHandler {
public:
    virtual ~FrameHandler() = default;
    virtual void HandleFrame(const std::uint8_t* frame, std::size_t size) = 0;
};

// Reply flags and attempt counters of the start-up queries; all cleared on disconnect.
struct StartupQueries {
    std::atomic<bool> areaCodeReplied{false};
    std::atomic<int> areaCodeAsked{0}; // shared by the version query
    std::atomic<bool> extensionReplied{false};
    std::atomic<int> extensionAsked{0};
    std::atomic<bool> missedCallReplied{false};
    std::atomic<int> missedCallAsked{0};

    void Reset();
};

// The link to the telephone box: finds its port, keeps it open, reads it on the listener
// thread and hands each frame to the frame handler, and writes the frames everyone sends on
// its writer thread.
//
// Connected means a frame has come since the port was opened and no read or write has
// failed since. A lost link keeps its port open and reading, so the next frame from the
// box reconnects without a new open; frames queued before the loss are dropped.
class SerialLink : private FrameWriter::Target {
public:
    using PortLister = std::function<std::vector<std::string>()>;
    // Opens a port for the box; null on failure, with the errno value in `error`.
    using PortOpener = std::function<std::unique_ptr<SerialPort>(const std::string&, int& error)>;
    using IndicatorCallback = std::function<void(bool connected)>;

    SerialLink();
    ~SerialLink();
    SerialLink(const SerialLink&) = delete;
    SerialLink& operator=(const SerialLink&) = delete;

    // Set up before Start; the handler and sink must outlive Close.
    void SetFrameHandler(FrameHandler* handler) { handler_ = handler; }
    void SetAudioSink(AudioSink* sink) { audio_ = sink; }
    // Hears of the ports this user may not open.
    void SetHost(DeviceHost* host) { host_ = host; }
    // Called once per change, in the order of the changes, outside the link's locks: on the
    // thread that changed the state, or on one reporting an earlier change meanwhile.
    void SetIndicatorCallback(IndicatorCallback callback) { indicator_ = std::move(callback); }
    // The ports to search; the machine's serial ports unless replaced.
    void SetPortLister(PortLister lister) { lister_ = std::move(lister); }
    // How ports are opened; SerialPort::Open unless replaced.
    void SetPortOpener(PortOpener opener) { opener_ = std::move(opener); }
    // A port tried before the listed ones (a box attached by hand).
    void SetPreferredPort(std::string path) { preferredPort_ = std::move(path); }
    // Whether device-change events from udev trigger searches (on unless turned off).
    void SetWatchDevices(bool watch) { watchDevices_ = watch; }

    // Starts the listener, port-search and writer threads and requests a search. False when
    // a thread could not be started.
    bool Start();

    // Stops and joins the three threads and closes the port. Every wait of theirs ends at
    // once; one that does not within a few seconds is reported and still waited for, since
    // the threads use this object.
    void Close();

    void RequestSearch();

    // A serial device came or went: probe the box if connected, search if not.
    void DeviceChange();

    // Queues frames on the calling thread's queue, to go out one after another, each after
    // its pause, and returns at once. False, after resetting the link state, when the box is
    // not connected: nothing is queued. A frame whose write fails resets the link, and the rest of
    // what was queued before is dropped.
    bool Send(std::vector<OutgoingFrame> frames);
    bool Send(FrameBytes bytes, std::chrono::milliseconds pause = kFramePause);
    // The same for frames made one at a time as they go out.
    bool Send(FrameSource source);

    // Sends one frame and waits until it is written. False, after resetting the link state,
    // when the box is not connected or the write fails. Not on the writer thread.
    bool Write(const FrameBytes& bytes, std::chrono::milliseconds pause = kFramePause);

    // Resets the link state; the port stays open and is still read.
    void Disconnect();

    bool IsConnected() const { return connected_; }
    bool IsPhoneLinked() const { return phoneLinked_; }
    // True when the flag changed.
    bool SetPhoneLinked(bool linked) { return phoneLinked_.exchange(linked) != linked; }
    StartupQueries& Queries() { return queries_; }

    // How many ports have been opened successfully so far.
    int OpenCount() const { return openCount_; }
    std::string LastGoodPort() const;

private:
    // The open port, held for one poll and read or one write; the port closes only once
    // no lease holds it.
    class PortLease {
    public:
        explicit PortLease(SerialLink& link);
        ~PortLease();
        PortLease(const PortLease&) = delete;
        PortLease& operator=(const PortLease&) = delete;
        SerialPort* operator->() const { return port_.get(); }
        explicit operator bool() const { return port_ != nullptr; }

    private:
        SerialLink& link_;
        std::shared_ptr<SerialPort> port_;
    };

    void ListenerMain();
    void SearchMain();
    void ReadChunk(const std::uint8_t* chunk, std::size_t count);
    void Deliver(const std::uint8_t* frame, std::size_t size);
    void OnReadFailure();
    bool SearchPass();
    // Tells the host of the ports first denied in the search pass that just ended.
    void ReportDeniedPorts();
    bool OpenPort(const std::string& name);
    void DropPort();
    // The connection to queue for; nothing, after resetting the link state, when there is
    // none.
    std::optional<std::uint64_t> ConnectionToSend();
    void SetConnected(bool connected);
    // Runs the indicator callback for every change not reported yet, unless another thread
    // is doing so.
    void ReportConnectionChanges();
    void WaitSearchEvent(int timeoutMs);
    void WaitListenerEvent(int timeoutMs);
    void RunThread(void (SerialLink::*body)());

    // FrameWriter::Target
    bool IsCurrent(std::uint64_t connection) const override;
    bool WriteFrame(const FrameBytes& bytes, int cancelFd) override;

    FrameHandler* handler_ = nullptr;
    AudioSink* audio_ = nullptr;
    DeviceHost* host_ = nullptr;
    IndicatorCallback indicator_;
    PortLister lister_;
    PortOpener opener_;
    std::string preferredPort_;
    bool watchDevices_ = true;

    std::atomic<bool> connected_{false};
    std::atomic<bool> readingEnabled_{false};
    std::atomic<bool> searchRequested_{false};
    std::atomic<bool> phoneLinked_{false};
    std::atomic<bool> stopping_{false};
    std::atomic<int> openCount_{0};
    // Counts the connections: a lost link starts a new one, and what was queued for the old
    // one is not written.
    std::atomic<std::uint64_t> connection_{0};
    StartupQueries queries_;

    // The connection changes not reported yet, in order, and whether a thread reports them.
    std::mutex connectionMutex_;
    std::deque<bool> unreported_;
    bool reporting_ = false;

    // Port-search thread only: the ports denied in the current pass, and every one reported.
    std::vector<std::string> deniedInPass_;
    std::set<std::string> deniedReported_;

    // Listener thread only.
    StreamReader reader_;

    mutable std::mutex portMutex_;
    std::condition_variable portReleased_;
    std::shared_ptr<SerialPort> port_;
    int portLeases_ = 0;
    std::string lastGoodPort_;

    std::mutex stateMutex_;
    std::condition_variable stateChanged_;
    int runningThreads_ = 0;

    std::unique_ptr<Wakeup> listenerWake_;
    std::unique_ptr<Wakeup> searchWake_;
    std::unique_ptr<DeviceMonitor> monitor_;
    FrameWriter writer_{*this};
    std::thread listener_;
    std::thread search_;
};

} // namespace tamberlink
