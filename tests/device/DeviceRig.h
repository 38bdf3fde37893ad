#pragma once

#include "BoxSim.h"
#include "FakeHost.h"

#include "device/CallControl.h"
#include "device/FirmwareTransfer.h"
#include "device/FrameDispatcher.h"
#include "device/SerialLink.h"

#include <chrono>
#include <string>
#include <thread>

namespace tamberlink::test {

// The device parts wired as the core wires them, with fakes for the core, searching only
// the given port.
struct DeviceRig {
    FakeHost host;
    FakeAudio audio;
    SerialLink link;
    FirmwareTransfer firmware{link, host};
    FrameDispatcher dispatcher{link, host, firmware, &audio};
    CallControl calls{link, host};

    explicit DeviceRig(const std::string& port) {
        host.link = &link;
        host.calls = &calls;
        link.SetFrameHandler(&dispatcher);
        link.SetAudioSink(&audio);
        link.SetHost(&host);
        link.SetPortLister([] { return std::vector<std::string>{}; });
        link.SetWatchDevices(false);
        link.SetPreferredPort(port);
        link.SetIndicatorCallback(
            [this](bool on) { host.ShowTip(on ? "indicator on" : "indicator off"); });
    }
    ~DeviceRig() { link.Close(); }

    // Starts the link and waits until it is connected to `box` and has asked its start-up
    // queries.
    bool Connect(const BoxSim& box) {
        return link.Start() && WaitConnected() && box.WaitForLine("ask missed");
    }

    bool WaitConnected(std::chrono::milliseconds timeout = std::chrono::seconds(10)) {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (!link.IsConnected()) {
            if (std::chrono::steady_clock::now() >= deadline) {
                return false;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return true;
    }
};

} // namespace tamberlink::test
