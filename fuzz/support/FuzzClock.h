#pragma once

#include "device/Clock.h"

// Time that moves only when the code sleeps or the fuzzed device lets it pass.
class FuzzClock : public Clock
{
public:
    std::uint32_t now = 0;
    std::uint32_t tickCount() override { return now; }
    void sleep(std::uint32_t ms) override { now += ms; }
};
