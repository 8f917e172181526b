#include "device/CombinedUsbApi.h"

#include "device/OpenFailure.h"

CombinedUsbApi::CombinedUsbApi(std::initializer_list<UsbApi *> backends)
{
    for (UsbApi *api : backends)
        backends_.append(Backend{api, 0});
}

int CombinedUsbApi::getNumDevices(std::uint32_t *count)
{
    *count = 0;
    int firstFailure = usbstatus::Ok;
    bool anyOk = backends_.isEmpty();
    for (Backend &b : backends_) {
        b.count = 0;
        const int status = b.api->getNumDevices(&b.count);
        if (status != usbstatus::Ok) {
            b.count = 0;
            if (firstFailure == usbstatus::Ok)
                firstFailure = status;
            continue;
        }
        anyOk = true;
        *count += b.count;
    }
    return anyOk ? usbstatus::Ok : firstFailure;
}

int CombinedUsbApi::locate(std::uint32_t index, std::uint32_t *local) const
{
    for (int i = 0; i < backends_.size(); ++i) {
        if (index < backends_[i].count) {
            *local = index;
            return i;
        }
        index -= backends_[i].count;
    }
    return -1;
}

int CombinedUsbApi::getProductString(std::uint32_t index, char *buffer, std::uint32_t option)
{
    std::uint32_t local = 0;
    const int b = locate(index, &local);
    return b < 0 ? usbstatus::NoDevice : backends_[b].api->getProductString(local, buffer, option);
}

QString CombinedUsbApi::where(std::uint32_t index) const
{
    std::uint32_t local = 0;
    const int b = locate(index, &local);
    return b < 0 ? QString() : backends_[b].api->where(local);
}

int CombinedUsbApi::open(std::uint32_t index, Handle *handle)
{
    std::uint32_t local = 0;
    const int b = locate(index, &local);
    if (b < 0)
        return usbstatus::NoDevice;
    Handle inner = NoHandle;
    const int status = backends_[b].api->open(local, &inner);
    if (status != usbstatus::Ok)
        return status;
    int slot = 0;
    while (slot < opened_.size() && opened_[slot].backend >= 0)
        ++slot;
    if (slot == opened_.size())
        opened_.append(Opened{});
    opened_[slot] = Opened{b, inner};
    *handle = Handle(slot + 1);
    return usbstatus::Ok;
}

const CombinedUsbApi::Opened *CombinedUsbApi::opened(Handle handle) const
{
    if (handle < 1 || handle > opened_.size() || opened_[handle - 1].backend < 0)
        return nullptr;
    return &opened_[handle - 1];
}

int CombinedUsbApi::close(Handle handle)
{
    const Opened *o = opened(handle);
    if (!o)
        return usbstatus::InvalidHandle;
    const int status = backends_[o->backend].api->close(o->handle);
    opened_[handle - 1] = Opened{};
    return status;
}

int CombinedUsbApi::read(Handle handle, std::uint8_t *buffer, std::uint32_t capacity,
                         std::uint32_t *bytesRead)
{
    const Opened *o = opened(handle);
    if (!o) {
        *bytesRead = 0;
        return usbstatus::InvalidHandle;
    }
    return backends_[o->backend].api->read(o->handle, buffer, capacity, bytesRead);
}

int CombinedUsbApi::write(Handle handle, const std::uint8_t *data, std::uint32_t count,
                          std::uint32_t *bytesWritten)
{
    const Opened *o = opened(handle);
    if (!o) {
        *bytesWritten = 0;
        return usbstatus::InvalidHandle;
    }
    return backends_[o->backend].api->write(o->handle, data, count, bytesWritten);
}

int CombinedUsbApi::flushBuffers(Handle handle, std::uint8_t flushTransmit,
                                 std::uint8_t flushReceive)
{
    const Opened *o = opened(handle);
    if (!o)
        return usbstatus::InvalidHandle;
    return backends_[o->backend].api->flushBuffers(o->handle, flushTransmit, flushReceive);
}

int CombinedUsbApi::checkRxQueue(Handle handle, std::uint32_t *bytesInQueue,
                                 std::uint32_t *queueStatus)
{
    const Opened *o = opened(handle);
    if (!o) {
        *bytesInQueue = 0;
        *queueStatus = QueueStatusNoOverrun;
        return usbstatus::InvalidHandle;
    }
    return backends_[o->backend].api->checkRxQueue(o->handle, bytesInQueue, queueStatus);
}

int CombinedUsbApi::setTimeouts(std::uint32_t readTimeout, std::uint32_t writeTimeout)
{
    readTimeout_ = readTimeout;
    writeTimeout_ = writeTimeout;
    int result = usbstatus::Ok;
    for (Backend &b : backends_) {
        const int status = b.api->setTimeouts(readTimeout, writeTimeout);
        if (result == usbstatus::Ok)
            result = status;
    }
    return result;
}

int CombinedUsbApi::getTimeouts(std::uint32_t *readTimeout, std::uint32_t *writeTimeout)
{
    *readTimeout = readTimeout_;
    *writeTimeout = writeTimeout_;
    return usbstatus::Ok;
}
