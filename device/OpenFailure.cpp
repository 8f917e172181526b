#include "device/OpenFailure.h"

OpenFailure openFailureOf(int openStatus)
{
    switch (openStatus) {
    case usbstatus::Ok:
        return OpenFailure::None;
    case usbstatus::NoDevice:
    case usbstatus::Gone:
        return OpenFailure::NotConnected; // unplugged between discovery and open
    case usbstatus::AccessDenied:
        return OpenFailure::NoPermission;
    case usbstatus::Busy:
        return OpenFailure::InUse;
    default:
        return OpenFailure::Other;
    }
}
