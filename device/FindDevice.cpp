#include "device/FindDevice.h"

#include "device/UsbApi.h"

#include <QString>

std::optional<std::uint32_t> findDeviceIndex(UsbApi &usb, const QByteArray &idOrPath)
{
    std::uint32_t count = 0;
    if (idOrPath.isEmpty() || usb.getNumDevices(&count) != 0)
        return std::nullopt;
    const QString place = QString::fromLocal8Bit(idOrPath);
    std::optional<std::uint32_t> byId;
    for (std::uint32_t i = 0; i < count; ++i) {
        if (usb.where(i) == place)
            return i; // a place names one unit: it wins over an identification string
        char buffer[UsbApi::StringBufferSize] = {};
        if (byId || usb.getProductString(i, buffer, 0) != 0)
            continue;
        buffer[sizeof buffer - 1] = '\0'; // never trust the terminator
        if (QByteArray(buffer) == idOrPath)
            byId = i;
    }
    return byId;
}
