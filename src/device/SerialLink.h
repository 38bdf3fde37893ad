#pragma once

#include "device/DeviceFrame.h"
#include "device/FrameAssembler.h"
#include "device/RecordingChunkScanner.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace tamberlink {

class AudioSink;
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
// thread and hands each frame to the frame handler, and writes frames for everyone else.
//
// Connected means a frame has come since the port was opened and no read or write has
// failed since. A lost link keeps its port open and reading, so the next frame from the
// box reconnects without a new open.
class SerialLink {
public:
    using PortLister = std::function<std::vector<std::string>()>;
    using IndicatorCallback = std::function<void(bool connected)>;

    SerialLink();
    ~SerialLink();
    SerialLink(const SerialLink&) = delete;
    SerialLink& operator=(const SerialLink&) = delete;

    // Set up before Start; the handler and sink must outlive Close.
    void SetFrameHandler(FrameHandler* handler) { handler_ = handler; }
    void SetAudioSink(AudioSink* sink) { audio_ = sink; }
    // Called on the thread that changes the state, once per change.
    void SetIndicatorCallback(IndicatorCallback callback) { indicator_ = std::move(callback); }
    // The ports to search; the machine's serial ports unless replaced.
    void SetPortLister(PortLister lister) { lister_ = std::move(lister); }
    // A port tried before the listed ones (a box attached by hand).
    void SetPreferredPort(std::string path) { preferredPort_ = std::move(path); }
    // Whether device-change events from udev trigger searches (on unless turned off).
    void SetWatchDevices(bool watch) { watchDevices_ = watch; }

    // Starts the listener and port-search threads and requests a search. False when a
    // thread could not be started.
    bool Start();

    // Stops both threads (waiting a limited time for each) and closes the port.
    void Close();

    void RequestSearch();

    // A serial device came or went: probe the box if connected, search if not.
    void DeviceChange();

    // Writes one frame after a 50 ms pause. False, after resetting the link state, when the
    // box is not connected or the write fails.
    bool Write(const FrameBytes& bytes);
    bool Write(const std::uint8_t* bytes, std::size_t count);
    // The same after a 1 ms pause, for streaming firmware.
    bool WriteQuickly(const std::uint8_t* bytes, std::size_t count);

    // Resets the link state; the port stays open and is still read.
    void Disconnect();

    bool IsConnected() const { return connected_; }
    bool IsPhoneLinked() const { return phoneLinked_; }
    void SetPhoneLinked(bool linked) { phoneLinked_ = linked; }
    StartupQueries& Queries() { return queries_; }

    // Sleeps, but returns early (false) once the link is closing.
    bool Pause(std::chrono::milliseconds duration);

    // How many ports have been opened successfully so far.
    int OpenCount() const { return openCount_; }
    std::string LastGoodPort() const;

private:
    void ListenerMain();
    void SearchMain();
    void ReadChunk(const std::uint8_t* chunk, std::size_t count);
    void Deliver(const std::uint8_t* frame, std::size_t size);
    void OnReadFailure();
    bool SearchPass();
    bool OpenPort(const std::string& name);
    void DropPort();
    std::shared_ptr<SerialPort> CurrentPort() const;
    bool WriteAfter(std::chrono::milliseconds pause, const std::uint8_t* bytes, std::size_t count);
    void SetConnected(bool connected);
    void WaitSearchEvent(int timeoutMs);
    void WaitListenerEvent(int timeoutMs);
    void RunThread(void (SerialLink::*body)());

    FrameHandler* handler_ = nullptr;
    AudioSink* audio_ = nullptr;
    IndicatorCallback indicator_;
    PortLister lister_;
    std::string preferredPort_;
    bool watchDevices_ = true;

    std::atomic<bool> connected_{false};
    std::atomic<bool> readingEnabled_{false};
    std::atomic<bool> searchRequested_{false};
    std::atomic<bool> phoneLinked_{false};
    std::atomic<bool> stopping_{false};
    std::atomic<int> openCount_{0};
    StartupQueries queries_;
    std::mutex connectionMutex_; // keeps indicator changes in the order of the state changes

    // Listener thread only.
    FrameAssembler assembler_;
    RecordingChunkScanner scanner_;
    bool wasRecording_ = false;

    mutable std::mutex portMutex_;
    std::shared_ptr<SerialPort> port_;
    std::string lastGoodPort_;
    std::mutex writeMutex_;

    std::mutex stateMutex_;
    std::condition_variable stateChanged_;
    int runningThreads_ = 0;

    std::unique_ptr<Wakeup> listenerWake_;
    std::unique_ptr<Wakeup> searchWake_;
    std::unique_ptr<DeviceMonitor> monitor_;
    std::thread listener_;
    std::thread search_;
};

} // namespace tamberlink
