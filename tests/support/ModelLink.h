#pragma once

#include "FakeClock.h"
#include "RecordingAlerts.h"
#include "device/DeviceLink.h"
#include "sim/DeviceModel.h"
#include "sim/ModelUsbApi.h"

// A DeviceLink to the in-process device model, in fake time. Suites using it link
// korvalis_sim_model.
struct ModelLink {
    FakeClock clock;
    DeviceModel model{clock};
    ModelUsbApi usb{model, clock};
    RecordingAlerts alerts;
    DeviceLink link{usb, clock, alerts};
};
