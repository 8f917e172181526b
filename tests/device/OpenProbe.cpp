// Finds and opens device "2023" over the libusb backend in the environment it inherits (a
// umockdev testbed) and prints the warnings and the open-failure reason, one per line. Run by
// the libusb tests with reduced privileges.
// "retry GRANT_MS NODE": opens with the permission retry on a fake clock that makes NODE
// readable and writable once GRANT_MS have passed (-1: never), and prints the status and the
// time slept.
#include "device/Alerts.h"
#include "device/Clock.h"
#include "device/DeviceLink.h"
#include "device/LibUsbApi.h"
#include "device/OpenRetry.h"

#include <QByteArray>
#include <sys/stat.h>

#include <cstdio>

namespace
{
struct PrintingAlerts : Alerts {
    void warning(const QString &text) override
    {
        std::printf("warning %s\n", text.toLocal8Bit().constData());
    }
};

// Time that moves only when slept; the udev rule "arrives" at a given time.
struct GrantingClock : Clock {
    std::uint32_t now = 0;
    int grantAfterMs = -1;
    QByteArray node;
    std::uint32_t tickCount() override { return now; }
    void sleep(std::uint32_t ms) override
    {
        now += ms;
        if (grantAfterMs >= 0 && now >= std::uint32_t(grantAfterMs))
            ::chmod(node.constData(), 0666);
    }
};

int retry(int grantAfterMs, const char *node)
{
    GrantingClock clock;
    clock.grantAfterMs = grantAfterMs;
    clock.node = node;
    LibUsbApi usb;
    std::uint32_t count = 0;
    if (usb.getNumDevices(&count) != 0 || count != 1)
        return 1;
    UsbApi::Handle handle = UsbApi::NoHandle;
    const int status = openWithPermissionRetry(usb, 0, clock, &handle);
    std::printf("status %d slept %u\n", status, clock.now);
    if (status == 0)
        usb.close(handle);
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc == 4 && QByteArray(argv[1]) == "retry")
        return retry(QByteArray(argv[2]).toInt(), argv[3]);
    SystemClock clock;
    PrintingAlerts alerts;
    LibUsbApi usb;
    DeviceLink link(usb, clock, alerts);
    std::uint32_t index = 0;
    if (link.findDevice(QByteArray(DeviceLink::deviceIdString), index))
        link.openDevice(index);
    std::printf("reason %d\n", int(link.openFailure()));
    link.closeDevice();
    return 0;
}
