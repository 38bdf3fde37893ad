#pragma once

struct udev;
struct udev_monitor;

namespace tamberlink {

// Watches the tty subsystem for devices that come and go (a USB serial bridge plugged in
// or pulled out). Without udev it watches nothing and never reports.
class DeviceMonitor {
public:
    DeviceMonitor();
    ~DeviceMonitor();
    DeviceMonitor(const DeviceMonitor&) = delete;
    DeviceMonitor& operator=(const DeviceMonitor&) = delete;

    // The descriptor to poll for readability; -1 when nothing is watched.
    int Fd() const;

    // Takes every pending event; true when a tty device was added or removed.
    bool TakeEvents();

private:
    udev* udev_ = nullptr;
    udev_monitor* monitor_ = nullptr;
};

} // namespace tamberlink
