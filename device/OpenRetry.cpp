#include "device/OpenRetry.h"

#include "device/Clock.h"
#include "device/OpenFailure.h"

int openWithPermissionRetry(UsbApi &usb, std::uint32_t index, Clock &clock, UsbApi::Handle *handle)
{
    const std::uint32_t start = clock.tickCount();
    for (;;) {
        UsbApi::Handle opened = UsbApi::NoHandle;
        const int status = usb.open(index, &opened);
        if (status == usbstatus::Ok)
            *handle = opened;
        if (status != usbstatus::AccessDenied || clock.tickCount() - start >= openretry::RetryMs)
            return status;
        clock.sleep(openretry::RetryStepMs);
    }
}
