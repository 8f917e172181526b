#pragma once

#include "device/Alerts.h"

// Counts the warning boxes instead of showing them.
class NoAlerts : public Alerts
{
public:
    int shown = 0;
    void warning(const QString &) override { ++shown; }
};
