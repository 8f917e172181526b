#include "session/DeviceList.h"

#include "device/UsbApi.h"

namespace session
{

std::optional<std::vector<ListedDevice>> listDevices(UsbApi &usb, const Locator &locate)
{
    std::uint32_t count = 0;
    if (usb.getNumDevices(&count) != 0)
        return std::nullopt;
    std::vector<ListedDevice> devices;
    for (std::uint32_t i = 0; i < count; ++i) {
        char buffer[UsbApi::StringBufferSize] = {};
        ListedDevice device;
        if (usb.getProductString(i, buffer, 0) == 0) {
            buffer[sizeof buffer - 1] = '\0'; // never trust the terminator
            device.id = QString::fromLatin1(buffer);
        }
        device.where = locate ? locate(i, device.id) : QString();
        UsbApi::Handle handle = UsbApi::NoHandle;
        const int status = usb.open(i, &handle);
        device.access = openFailureOf(status);
        if (status == 0)
            usb.close(handle);
        devices.push_back(device);
    }
    return devices;
}

QString accessName(OpenFailure access)
{
    switch (access) {
    case OpenFailure::None:
        return QStringLiteral("ok");
    case OpenFailure::NoPermission:
        return QStringLiteral("no permission");
    case OpenFailure::InUse:
        return QStringLiteral("in use");
    case OpenFailure::NotConnected:
        return QStringLiteral("not connected");
    case OpenFailure::Other:
        break;
    }
    return QStringLiteral("open failed");
}

} // namespace session
