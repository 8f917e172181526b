#pragma once

#include "device/DeviceWatcher.h"
#include "device/UsbApi.h"
#include "session/DeviceWorker.h"

#include <QSemaphore>
#include <QString>
#include <cstdint>
#include <memory>

class Clock;
typedef struct _UMockdevTestbed UMockdevTestbed;

// One unit "2023" to plug in and out on the real clock, with the USB backend and the watcher
// that find it: a USB device on a umockdev testbed (libusb, hotplug events) or a device model
// served on a socket in `directory` (as korvalis-sim does). Each plug is a new device: a new
// bus address, a new socket.
class PlugRig
{
public:
    static std::unique_ptr<PlugRig> usb(UMockdevTestbed *testbed, Clock &clock);
    static std::unique_ptr<PlugRig> socket(const QString &directory, Clock &clock);
    virtual ~PlugRig() = default;

    virtual UsbApi &api() = 0;
    virtual std::unique_ptr<DeviceWatcher> watcher() = 0;
    // The unit reports firmware 1.<minor>.0.0. False when it could not be plugged in.
    virtual bool plug(std::uint8_t firmwareMinor) = 0;
    virtual void unplug() = 0;
    // Requests the plugged unit has received.
    virtual int requestsSeen() = 0;
};

// Returns once `worker` has run every job posted before (the launch's start-up, the watcher's
// creation), so that a plug that follows is an arrival.
inline bool settle(session::DeviceWorker &worker)
{
    QSemaphore done;
    worker.run<bool>(
        [&done](session::WindowSession &) {
            done.release();
            return true;
        },
        nullptr, {});
    return done.tryAcquire(1, 10000);
}
