#pragma once

#include "device/Clock.h"

// Time that moves only when the code under test sleeps or a fake device waits.
class FakeClock : public Clock
{
public:
    std::uint32_t now = 0;
    std::uint64_t slept = 0;

    std::uint32_t tickCount() override { return now; }
    void sleep(std::uint32_t ms) override
    {
        now += ms;
        slept += ms;
    }
    void advance(std::uint32_t ms) { now += ms; }
};
