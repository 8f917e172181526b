#include "device/OpenFailure.h"

#include <QCoreApplication>

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

QString openFailureMessage(OpenFailure failure)
{
    switch (failure) {
    case OpenFailure::NoPermission:
        return QCoreApplication::translate(
            "DeviceLink", "KORVALIS USB device found, but this user may not open it: install the "
                          "udev rule 70-korvalis.rules (see README), then replug the device");
    case OpenFailure::InUse:
        return QCoreApplication::translate(
            "DeviceLink", "KORVALIS USB device found, but another program is using it: close "
                          "that program, then start this one again");
    case OpenFailure::Other:
        return QCoreApplication::translate("DeviceLink",
                                           "KORVALIS USB device found, but it could not be opened");
    case OpenFailure::None:
    case OpenFailure::NotConnected:
        break;
    }
    return QString();
}
