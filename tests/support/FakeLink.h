#pragma once

#include "FakeClock.h"
#include "FakeUsbApi.h"
#include "RecordingAlerts.h"
#include "device/DeviceLink.h"

// A DeviceLink over the scriptable fake library, in fake time.
struct FakeLink {
    FakeClock clock;
    FakeUsbApi usb{clock};
    RecordingAlerts alerts;
    DeviceLink link{usb, clock, alerts};
};
