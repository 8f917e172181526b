#pragma once

#include "FuzzClock.h"
#include "FuzzReader.h"
#include "device/UsbApi.h"

#include <cstdint>
#include <vector>

// One device whose behaviour at every request comes from the fuzz input, and which records
// what it really did, so that a target can check the link against what arrived.
//
// Per request written, the input gives:
//   flags   bit 0 the write fails, bit 1 the read fails (its bytes still arrive), bit 2 no
//           reply at all, bit 3 a count byte follows: that many queue checks fail, bit 4 an
//           extra byte follows: the read claims that many bytes more than it gave, bit 5 an
//           empty queue check costs 1 ms (as a real one) instead of 250 ms (fewer turns)
//   delay   the reply arrives delay * 20 ms after the write (beyond 4000 ms: too late)
//   length  reply length, 0 to 255 (more than 64 is cut by the reads' capacity)
//   bytes   the reply
class FuzzUsbApi : public UsbApi
{
public:
    // What happened at the last request written.
    struct Exchange {
        bool written = false;
        bool writeFailed = false;
        std::vector<std::uint8_t> request;
        bool readCalled = false;
        bool readFailed = false;
        std::uint32_t readCapacity = 0;
        std::vector<std::uint8_t> delivered; // bytes the read put into the caller's buffer
        std::uint32_t reported = 0;          // bytes the read claimed
        int failedChecks = 0;
    };

    FuzzUsbApi(FuzzReader &input, FuzzClock &clock) : in_(input), clock_(clock) {}

    Exchange last;
    std::vector<Exchange> earlier; // the exchanges before `last`, in order
    int writes = 0;
    std::uint32_t readTimeout = 111, writeTimeout = 222; // the process-wide pair
    bool violation = false;                              // the caller broke the library's contract

    // Forgets the last exchange, so that a request that never went out is visible.
    void clearLast() { last = Exchange{}; }

    int getNumDevices(std::uint32_t *count) override;
    int getProductString(std::uint32_t index, char *buffer, std::uint32_t option) override;
    int open(std::uint32_t index, Handle *handle) override;
    int close(Handle handle) override;
    int read(Handle handle, std::uint8_t *buffer, std::uint32_t capacity,
             std::uint32_t *bytesRead) override;
    int write(Handle handle, const std::uint8_t *data, std::uint32_t count,
              std::uint32_t *bytesWritten) override;
    int flushBuffers(Handle handle, std::uint8_t flushTransmit, std::uint8_t flushReceive) override;
    int setTimeouts(std::uint32_t readTimeout, std::uint32_t writeTimeout) override;
    int getTimeouts(std::uint32_t *readTimeout, std::uint32_t *writeTimeout) override;
    int checkRxQueue(Handle handle, std::uint32_t *bytesInQueue,
                     std::uint32_t *queueStatus) override;

    static constexpr Handle DeviceHandle = 7;
    static constexpr std::uint32_t SlowCheckMs = 250;
    static constexpr std::uint32_t FineCheckMs = 1;

private:
    FuzzReader &in_;
    FuzzClock &clock_;
    bool open_ = false;
    std::vector<std::uint8_t> queue_;
    std::vector<std::uint8_t> pending_;
    bool hasPending_ = false;
    std::uint32_t due_ = 0;
    bool readFails_ = false;
    int checksToFail_ = 0;
    std::uint32_t extra_ = 0;
    std::uint32_t checkCost_ = 1;
};
