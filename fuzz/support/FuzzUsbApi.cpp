#include "FuzzUsbApi.h"

#include <algorithm>
#include <cstring>

int FuzzUsbApi::getNumDevices(std::uint32_t *count)
{
    *count = 1;
    return 0;
}

int FuzzUsbApi::getProductString(std::uint32_t index, char *buffer, std::uint32_t)
{
    if (index != 0)
        return 2;
    std::memset(buffer, 0, StringBufferSize);
    std::memcpy(buffer, "2023", 4);
    return 0;
}

int FuzzUsbApi::open(std::uint32_t index, Handle *handle)
{
    if (index != 0)
        return 3;
    open_ = true;
    *handle = DeviceHandle;
    return 0;
}

int FuzzUsbApi::close(Handle handle)
{
    if (handle != DeviceHandle)
        violation = true;
    open_ = false;
    return 0;
}

int FuzzUsbApi::write(Handle handle, const std::uint8_t *data, std::uint32_t count,
                      std::uint32_t *bytesWritten)
{
    if (!open_ || handle != DeviceHandle)
        violation = true;
    ++writes;
    if (last.written)
        earlier.push_back(last);
    last = Exchange{};
    last.written = true;
    last.request.assign(data, data + count);

    const std::uint8_t flags = in_.byte();
    checksToFail_ = (flags & 0x08) ? in_.byte() : 0;
    extra_ = (flags & 0x10) ? in_.byte() : 0;
    checkCost_ = (flags & 0x20) ? FineCheckMs : SlowCheckMs;
    readFails_ = (flags & 0x02) != 0;
    const std::uint32_t delay = std::uint32_t(in_.byte()) * 20;
    pending_ = in_.bytes(in_.byte());
    hasPending_ = (flags & 0x04) == 0 && !pending_.empty();
    due_ = clock_.now + delay;

    if (flags & 0x01) {
        last.writeFailed = true;
        hasPending_ = false;
        *bytesWritten = 0;
        return 5;
    }
    *bytesWritten = count;
    return 0;
}

int FuzzUsbApi::checkRxQueue(Handle handle, std::uint32_t *bytesInQueue, std::uint32_t *status)
{
    if (handle != DeviceHandle)
        violation = true;
    if (checksToFail_ > 0) {
        --checksToFail_;
        ++last.failedChecks;
        clock_.now += checkCost_;
        return 6;
    }
    if (hasPending_ && std::int32_t(clock_.now - due_) >= 0) {
        queue_.insert(queue_.end(), pending_.begin(), pending_.end());
        hasPending_ = false;
    }
    if (queue_.empty())
        clock_.now += checkCost_; // a real check blocks a moment before saying "nothing"
    *bytesInQueue = std::uint32_t(queue_.size());
    *status = 0;
    return 0;
}

int FuzzUsbApi::read(Handle handle, std::uint8_t *buffer, std::uint32_t capacity,
                     std::uint32_t *bytesRead)
{
    if (handle != DeviceHandle)
        violation = true;
    last.readCalled = true;
    last.readCapacity = capacity;
    const std::size_t n = std::min<std::size_t>(capacity, queue_.size());
    std::copy(queue_.begin(), queue_.begin() + std::ptrdiff_t(n), buffer);
    last.delivered.assign(queue_.begin(), queue_.begin() + std::ptrdiff_t(n));
    queue_.erase(queue_.begin(), queue_.begin() + std::ptrdiff_t(n));
    *bytesRead = std::uint32_t(n) + extra_;
    last.reported = *bytesRead;
    last.readFailed = readFails_;
    return readFails_ ? 7 : 0;
}

int FuzzUsbApi::flushBuffers(Handle handle, std::uint8_t, std::uint8_t)
{
    if (handle != DeviceHandle)
        violation = true;
    queue_.clear();
    hasPending_ = false;
    return 0;
}

int FuzzUsbApi::setTimeouts(std::uint32_t r, std::uint32_t w)
{
    readTimeout = r;
    writeTimeout = w;
    return 0;
}

int FuzzUsbApi::getTimeouts(std::uint32_t *r, std::uint32_t *w)
{
    *r = readTimeout;
    *w = writeTimeout;
    return 0;
}
