#include "device/DeviceMonitor.h"

#include "device/DeviceLog.h"

#include <libudev.h>

#include <cstring>
#include <unistd.h>

namespace tamberlink {

DeviceMonitor::DeviceMonitor() {
    udev_ = udev_new();
    if (udev_ == nullptr) {
        return;
    }
    // Events processed by udev come once the device node exists; where no udev daemon
    // runs, the kernel's own events are all there is.
    const char* source = access("/run/udev/control", F_OK) == 0 ? "udev" : "kernel";
    monitor_ = udev_monitor_new_from_netlink(udev_, source);
    if (monitor_ == nullptr ||
        udev_monitor_filter_add_match_subsystem_devtype(monitor_, "tty", nullptr) < 0 ||
        udev_monitor_enable_receiving(monitor_) < 0) {
        qCDebug(lcSerial, "no device-change events");
        if (monitor_ != nullptr) {
            udev_monitor_unref(monitor_);
            monitor_ = nullptr;
        }
    }
}

DeviceMonitor::~DeviceMonitor() {
    if (monitor_ != nullptr) {
        udev_monitor_unref(monitor_);
    }
    if (udev_ != nullptr) {
        udev_unref(udev_);
    }
}

int DeviceMonitor::Fd() const {
    return monitor_ != nullptr ? udev_monitor_get_fd(monitor_) : -1;
}

bool DeviceMonitor::TakeEvents() {
    bool changed = false;
    if (monitor_ == nullptr) {
        return changed;
    }
    while (udev_device* device = udev_monitor_receive_device(monitor_)) {
        const char* action = udev_device_get_action(device);
        if (action != nullptr &&
            (std::strcmp(action, "add") == 0 || std::strcmp(action, "remove") == 0)) {
            qCDebug(lcSerial, "device %s: %s", action, udev_device_get_sysname(device));
            changed = true;
        }
        udev_device_unref(device);
    }
    return changed;
}

} // namespace tamberlink
