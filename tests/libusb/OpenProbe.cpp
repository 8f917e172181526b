// Finds and opens device "2023" over the libusb backend in the environment it inherits (a
// umockdev testbed) and prints the warnings and the open-failure reason, one per line. Run by
// the libusb test with reduced privileges.
#include "device/Alerts.h"
#include "device/Clock.h"
#include "device/DeviceLink.h"
#include "device/LibUsbApi.h"

#include <cstdio>

namespace
{
struct PrintingAlerts : Alerts {
    void warning(const QString &text) override
    {
        std::printf("warning %s\n", text.toLocal8Bit().constData());
    }
};
} // namespace

int main()
{
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
