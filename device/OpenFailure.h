#pragma once

// Non-zero statuses the real and virtual USB backends share, so that callers can tell why an
// operation failed whichever backend served it.
namespace usbstatus
{
enum : int {
    Ok = 0,
    InvalidHandle = 1,
    NoDevice = 2, // not (or no longer) attached when asked to open
    InvalidParameter = 3,
    IoError = 4,
    AccessDenied = 5, // attached, but this user may not open it
    Busy = 6,         // attached, but another program holds it
    Timeout = 7,
    Gone = 8,             // unplugged while open
    NoIdentification = 9, // the device offers neither a serial number nor a product string
};
} // namespace usbstatus

// Why the device could not be used at start-up.
enum class OpenFailure { None, NotConnected, NoPermission, InUse, Other };

OpenFailure openFailureOf(int openStatus);
