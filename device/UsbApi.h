#pragma once

#include <QString>
#include <cstdint>

// The ten operations of the USB library the program relies on. Every operation returns 0 on
// success and a non-zero status otherwise; "out" pointers are written by the library.
// Implementations: the virtual (socket) devices of the simulator, and test doubles.
class UsbApi
{
public:
    using Handle = std::int32_t;
    static constexpr Handle NoHandle = -1;
    static constexpr int StringBufferSize = 256;
    static constexpr std::uint32_t QueueStatusNoOverrun = 0;

    virtual ~UsbApi() = default;

    // 1: number of attached devices of the library's kind.
    virtual int getNumDevices(std::uint32_t *count) = 0;
    // 2: zero-terminated identification string of device `index`, written into a buffer of
    // StringBufferSize bytes. Option 0 asks for the identification string.
    virtual int getProductString(std::uint32_t index, char *buffer, std::uint32_t option) = 0;
    // 3
    virtual int open(std::uint32_t index, Handle *handle) = 0;
    // 4
    virtual int close(Handle handle) = 0;
    // 6: reads at most `capacity` bytes of what the device has sent.
    virtual int read(Handle handle, std::uint8_t *buffer, std::uint32_t capacity,
                     std::uint32_t *bytesRead) = 0;
    // 7
    virtual int write(Handle handle, const std::uint8_t *data, std::uint32_t count,
                      std::uint32_t *bytesWritten) = 0;
    // 9: discards pending transmit and/or receive data.
    virtual int flushBuffers(Handle handle, std::uint8_t flushTransmit,
                             std::uint8_t flushReceive) = 0;
    // 10 and 11: one pair of time-outs for the whole process, in milliseconds.
    virtual int setTimeouts(std::uint32_t readTimeout, std::uint32_t writeTimeout) = 0;
    virtual int getTimeouts(std::uint32_t *readTimeout, std::uint32_t *writeTimeout) = 0;
    // 12: bytes waiting in the receive queue. May block briefly (about 1 ms) when the queue is
    // empty, so that a caller polling it in a loop does not spin a core.
    virtual int checkRxQueue(Handle handle, std::uint32_t *bytesInQueue,
                             std::uint32_t *queueStatus) = 0;

    // Not one of the library's operations: where device `index` of the last count sits, so
    // that units with the same identification string can be told apart ("1-4.2" for a USB
    // bus and port path, the socket for a simulated device). Empty when unknown.
    virtual QString where(std::uint32_t index) const
    {
        (void)index;
        return QString();
    }
};
