#pragma once

#include <cstdint>

// Millisecond tick counter (32 bits, wraps) and a blocking pause that does not run the event loop.
class Clock
{
public:
    virtual ~Clock() = default;
    virtual std::uint32_t tickCount() = 0;
    virtual void sleep(std::uint32_t milliseconds) = 0;
};

// The machine's monotonic clock.
class SystemClock : public Clock
{
public:
    std::uint32_t tickCount() override;
    void sleep(std::uint32_t milliseconds) override;
};
