#pragma once

#include "device/DeviceSource.h"

#include <utility>
#include <vector>

struct libusb_context;
struct libusb_device;

// Real USB devices of the library's kind. With libusb's hotplug capability, its callbacks only
// note that something changed (no transfer may run inside them); the look itself reads sysfs,
// as the listing does. Without it, the watcher rescans a little more often than once a second.
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
    bool drain() override;
    std::vector<Seen> scan() override;

    static constexpr int MaxDeparted = 64;

private:
    static int onHotplug(libusb_context *, libusb_device *device, int event, void *self);

    libusb_context *context_ = nullptr;
    int callback_ = 0;
    bool hotplug_ = false;
    bool changed_ = false;
    // Bus and address of devices reported gone: sysfs may show them a little longer.
    std::vector<std::pair<int, int>> departed_;
};
