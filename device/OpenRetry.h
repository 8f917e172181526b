#pragma once

#include "device/UsbApi.h"

#include <cstdint>

class Clock;

// Just after a plug, udev may not have granted this user the device yet: an open refused for
// lack of permission is tried again every RetryStepMs for up to RetryMs before the refusal
// stands. Any other outcome ends the wait at once. Returns the last open's status; the handle
// is written only on success.
int openWithPermissionRetry(UsbApi &usb, std::uint32_t index, Clock &clock, UsbApi::Handle *handle);

namespace openretry
{
constexpr std::uint32_t RetryMs = 3000;
constexpr std::uint32_t RetryStepMs = 100;
} // namespace openretry
