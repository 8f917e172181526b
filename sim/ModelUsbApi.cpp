#include "sim/ModelUsbApi.h"

#include "device/Clock.h"
#include "sim/DeviceModel.h"

#include <algorithm>
#include <cstring>

namespace
{
// Same bound as the socket backend: a device cannot flood the host.
constexpr int kMaxQueue = 4096;
} // namespace

ModelUsbApi::ModelUsbApi(DeviceModel &model, Clock &clock, QByteArray id)
    : model_(model), clock_(clock), id_(std::move(id))
{
}

bool ModelUsbApi::present() const
{
    return attached_ && !model_.unplugged();
}

int ModelUsbApi::getNumDevices(std::uint32_t *count)
{
    *count = present() ? 1 : 0;
    return Ok;
}

int ModelUsbApi::getProductString(std::uint32_t index, char *buffer, std::uint32_t option)
{
    if (!present() || index != 0 || option != 0)
        return NoDevice;
    const QByteArray id = id_.left(StringBufferSize - 1);
    std::memset(buffer, 0, StringBufferSize);
    std::memcpy(buffer, id.constData(), std::size_t(id.size()));
    return Ok;
}

int ModelUsbApi::open(std::uint32_t index, Handle *handle)
{
    if (!present() || index != 0)
        return NoDevice;
    open_ = true;
    queue_.clear();
    pending_ = false;
    *handle = DeviceHandle;
    return Ok;
}

int ModelUsbApi::close(Handle handle)
{
    if (!validHandle(handle))
        return InvalidHandle;
    open_ = false;
    queue_.clear();
    pending_ = false;
    return Ok;
}

int ModelUsbApi::write(Handle handle, const std::uint8_t *data, std::uint32_t count,
                       std::uint32_t *bytesWritten)
{
    *bytesWritten = 0;
    if (!validHandle(handle))
        return InvalidHandle;
    if (model_.unplugged())
        return IoError; // the connection is gone
    ++writes_;
    const DeviceModel::Reply reply = model_.handle(data, count);
    *bytesWritten = count;
    if (reply.send) {
        // One request at a time: a reply still on its way from an earlier request is lost.
        pending_ = true;
        pendingBytes_ = reply.bytes;
        pendingDue_ = clock_.tickCount() + reply.delayMs;
    }
    return Ok;
}

void ModelUsbApi::deliverDue()
{
    if (pending_ && std::int32_t(clock_.tickCount() - pendingDue_) >= 0) {
        pending_ = false;
        queue_ += pendingBytes_.left(std::max(0, kMaxQueue - int(queue_.size())));
    }
}

int ModelUsbApi::checkRxQueue(Handle handle, std::uint32_t *bytesInQueue,
                              std::uint32_t *queueStatus)
{
    ++queueChecks_;
    *bytesInQueue = 0;
    *queueStatus = QueueStatusNoOverrun;
    if (!validHandle(handle))
        return InvalidHandle;
    deliverDue();
    if (queue_.isEmpty()) {
        clock_.sleep(1); // a real check waits about 1 ms before saying "nothing"
        deliverDue();
    }
    *bytesInQueue = std::uint32_t(queue_.size());
    return Ok;
}

int ModelUsbApi::read(Handle handle, std::uint8_t *buffer, std::uint32_t capacity,
                      std::uint32_t *bytesRead)
{
    *bytesRead = 0;
    if (!validHandle(handle))
        return InvalidHandle;
    deliverDue();
    const std::uint32_t n = std::min<std::uint32_t>(capacity, std::uint32_t(queue_.size()));
    std::memcpy(buffer, queue_.constData(), n);
    queue_.remove(0, int(n));
    *bytesRead = n;
    return Ok;
}

int ModelUsbApi::flushBuffers(Handle handle, std::uint8_t, std::uint8_t flushReceive)
{
    if (!validHandle(handle))
        return InvalidHandle;
    ++flushes_;
    if (flushReceive) {
        deliverDue();
        queue_.clear();
    }
    return Ok;
}

int ModelUsbApi::setTimeouts(std::uint32_t readTimeout, std::uint32_t writeTimeout)
{
    readTimeout_ = readTimeout;
    writeTimeout_ = writeTimeout;
    return Ok;
}

int ModelUsbApi::getTimeouts(std::uint32_t *readTimeout, std::uint32_t *writeTimeout)
{
    *readTimeout = readTimeout_;
    *writeTimeout = writeTimeout_;
    return Ok;
}
