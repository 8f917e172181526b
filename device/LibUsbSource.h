#pragma once

#include "device/DeviceSource.h"

#include <functional>
#include <mutex>
#include <set>
#include <utility>
#include <vector>

struct libusb_context;
struct libusb_device;

// Real USB devices of the library's kind. With libusb's hotplug capability, its callbacks only
// note that something changed (no transfer may run inside them); the look itself reads sysfs,
// as the listing does. Its descriptors are libusb's own (followed as libusb adds and removes
// them), so a caller can wait for them in its event loop. Without hotplug, the watcher rescans
// a little more often than once a second.
class LibUsbSource : public DeviceSource
{
public:
    enum class Mode { Auto, Rescan };
    explicit LibUsbSource(Mode mode = Mode::Auto);
    ~LibUsbSource() override;
    LibUsbSource(const LibUsbSource &) = delete;
    LibUsbSource &operator=(const LibUsbSource &) = delete;

    bool usesHotplug() const { return hotplug_; }

    bool simulated() const override { return false; }
    bool eventDriven() const override { return hotplug_; }
    void descriptors(std::vector<pollfd> &fds) override;
    void setWakeUp(std::function<void()> wakeUp) override;
    bool drain() override;
    std::vector<Seen> scan() override;

    static constexpr int MaxDeparted = 64;

private:
    static int onHotplug(libusb_context *, libusb_device *device, int event, void *self);
    static void onPollfdAdded(int fd, short events, void *self);
    static void onPollfdRemoved(int fd, void *self);
    void follow(int fd, short events, bool added);

    libusb_context *context_ = nullptr;
    int callback_ = 0;
    bool hotplug_ = false;
    bool changed_ = false;
    // Bus and address of devices reported gone: sysfs may show them a little longer.
    std::vector<std::pair<int, int>> departed_;
    // Bus and address of the devices libusb has listed (arrived and not yet left).
    std::set<std::pair<int, int>> listed_;
    // libusb's descriptors; its notifiers may run on any thread.
    std::mutex fdsMutex_;
    std::vector<std::pair<int, short>> fds_;
    std::function<void()> wakeUp_;
};
