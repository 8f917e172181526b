#pragma once

#include <QByteArray>
#include <cstdint>
#include <optional>

class UsbApi;

// The device named by `idOrPath` among those the library counts now: the one whose place
// (UsbApi::where: "1-4.2", or a socket file) is exactly that, else the lowest index whose
// identification string is. Nothing when neither matches or the count fails.
std::optional<std::uint32_t> findDeviceIndex(UsbApi &usb, const QByteArray &idOrPath);
