#pragma once

#include "device/OpenFailure.h"

#include <QString>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

class UsbApi;

namespace session
{

// One device the USB layer sees, and whether this user can open it right now.
struct ListedDevice {
    QString id;
    QString where; // bus path or socket, as the locator tells
    OpenFailure access = OpenFailure::None;
};

// Where device `index` of the last count is, for a listing; the library itself does not say.
using Locator = std::function<QString(std::uint32_t index, const QString &id)>;

// Every device of the library's kind, each opened and closed once to learn its access. Nothing
// when the count itself fails.
std::optional<std::vector<ListedDevice>> listDevices(UsbApi &usb, const Locator &locate);

// "ok", "no permission", "in use", "not connected", "open failed".
QString accessName(OpenFailure access);

} // namespace session
