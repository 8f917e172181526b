#include "FakeUsbApi.h"

#include "FakeClock.h"

#include <algorithm>
#include <cstring>

FakeUsbApi::FakeUsbApi(FakeClock &clock) : clock_(clock) {}

int FakeUsbApi::countWrites(std::uint8_t code) const
{
    return int(std::count_if(writes.begin(), writes.end(), [code](const QByteArray &w) {
        return w.size() > 2 && std::uint8_t(w[2]) == code;
    }));
}

int FakeUsbApi::getNumDevices(std::uint32_t *count)
{
    if (onCount)
        onCount();
    *count = std::uint32_t(devices.size());
    return countStatus;
}

int FakeUsbApi::getProductString(std::uint32_t index, char *buffer, std::uint32_t)
{
    if (index >= std::uint32_t(devices.size()) || devices[int(index)].stringQueryFails)
        return 2;
    const QByteArray id = devices[int(index)].id.left(UsbApi::StringBufferSize - 1);
    std::memset(buffer, 0, UsbApi::StringBufferSize);
    std::memcpy(buffer, id.constData(), size_t(id.size()));
    return 0;
}

int FakeUsbApi::open(std::uint32_t index, Handle *handle)
{
    ++opens;
    if (index >= std::uint32_t(devices.size()))
        return 3;
    if (devices[int(index)].openStatus != 0) {
        *handle = 0x5A5A; // the library may leave garbage behind on failure
        return devices[int(index)].openStatus;
    }
    *handle = Handle(100 + index);
    return 0;
}

int FakeUsbApi::close(Handle handle)
{
    ++closes;
    const std::uint32_t index = std::uint32_t(handle - 100);
    return index < std::uint32_t(devices.size()) ? devices[int(index)].closeStatus : 4;
}

QString FakeUsbApi::where(std::uint32_t index) const
{
    return index < std::uint32_t(devices.size()) ? devices[int(index)].where : QString();
}

int FakeUsbApi::write(Handle handle, const std::uint8_t *data, std::uint32_t count,
                      std::uint32_t *bytesWritten)
{
    writeHandles.append(handle);
    timeoutsAtWrite.append({readTimeout, writeTimeout});
    const QByteArray request(reinterpret_cast<const char *>(data), int(count));
    writes.append(request);
    if (failWrites) {
        *bytesWritten = 0;
        return 5;
    }
    *bytesWritten = count;
    std::optional<QByteArray> reply;
    delay_ = 0;
    if (!script.isEmpty()) {
        const ScriptedReply next = script.takeFirst();
        if (!next.none)
            reply = next.bytes;
        delay_ = next.delayMs;
    } else if (responder) {
        reply = responder(request);
    }
    hasPending_ = reply.has_value();
    pending_ = reply.value_or(QByteArray());
    writtenAt_ = clock_.now;
    return 0;
}

int FakeUsbApi::checkRxQueue(Handle, std::uint32_t *bytesInQueue, std::uint32_t *queueStatus)
{
    ++queueChecks;
    if (failQueueChecks != 0) {
        if (failQueueChecks > 0)
            --failQueueChecks;
        clock_.advance(1);
        return 6;
    }
    if (hasPending_ && std::uint32_t(clock_.now - writtenAt_) >= delay_) {
        queue_ += pending_;
        hasPending_ = false;
    }
    if (queue_.isEmpty())
        clock_.advance(1); // a real check blocks about 1 ms before saying "nothing"
    *bytesInQueue = std::uint32_t(queue_.size());
    *queueStatus = 0;
    return 0;
}

int FakeUsbApi::read(Handle, std::uint8_t *buffer, std::uint32_t capacity, std::uint32_t *bytesRead)
{
    timeoutsAtRead.append({readTimeout, writeTimeout});
    const std::uint32_t n = std::min<std::uint32_t>(capacity, std::uint32_t(queue_.size()));
    std::memcpy(buffer, queue_.constData(), n);
    queue_.remove(0, int(n));
    *bytesRead = n + readReportsExtra;
    return failReads ? 7 : 0;
}

int FakeUsbApi::flushBuffers(Handle, std::uint8_t, std::uint8_t)
{
    ++flushes;
    queue_.clear();
    hasPending_ = false;
    return 0;
}

int FakeUsbApi::setTimeouts(std::uint32_t r, std::uint32_t w)
{
    readTimeout = r;
    writeTimeout = w;
    return 0;
}

int FakeUsbApi::getTimeouts(std::uint32_t *r, std::uint32_t *w)
{
    *r = readTimeout;
    *w = writeTimeout;
    return 0;
}
