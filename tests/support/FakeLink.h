#pragma once

#include "FakeClock.h"
#include "sim/ModelUsbApi.h"
#include "RecordingAlerts.h"
#include "device/DeviceLink.h"

// A DeviceLink over the scriptable fake library, in fake time.
struct FakeLink {
    FakeClock clock;
    ModelUsbApi usb{clock};
    RecordingAlerts alerts;
    DeviceLink link{usb, clock, alerts};
};
