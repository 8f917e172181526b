#include "device/Clock.h"

#include <cerrno>
#include <ctime>

std::uint32_t SystemClock::tickCount()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    const std::uint64_t ms =
        std::uint64_t(now.tv_sec) * 1000u + std::uint64_t(now.tv_nsec) / 1000000u;
    return static_cast<std::uint32_t>(ms); // wraps like the tick counter it stands for
}

void SystemClock::sleep(std::uint32_t milliseconds)
{
    timespec rest{time_t(milliseconds / 1000u), long(milliseconds % 1000u) * 1000000L};
    while (nanosleep(&rest, &rest) == -1 && errno == EINTR) {
    }
}
