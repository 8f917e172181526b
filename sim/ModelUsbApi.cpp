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

ModelUsbApi::ModelUsbApi(Clock &clock) : clock_(clock) {}

ModelUsbApi::ModelUsbApi(DeviceModel &model, Clock &clock, QByteArray id)
    : devices{FakeDevice{std::move(id)}}, model_(&model), clock_(clock)
{
}

void ModelUsbApi::setId(const QByteArray &id)
{
    if (devices.isEmpty())
        devices.append(FakeDevice{id});
    else
        devices.first().id = id;
}

bool ModelUsbApi::present() const
{
    return attached_ && !(model_ != nullptr && model_->unplugged());
}

int ModelUsbApi::countWrites(std::uint8_t code) const
{
    return int(std::count_if(writes.begin(), writes.end(), [code](const QByteArray &w) {
        return w.size() > 2 && std::uint8_t(w[2]) == code;
    }));
}

int ModelUsbApi::getNumDevices(std::uint32_t *count)
{
    if (onCount)
        onCount();
    *count = present() ? std::uint32_t(devices.size()) : 0;
    return countStatus;
}

int ModelUsbApi::getProductString(std::uint32_t index, char *buffer, std::uint32_t option)
{
    if (!present() || index >= std::uint32_t(devices.size()) || option != 0 ||
        devices[int(index)].stringQueryFails)
        return NoDevice;
    const QByteArray id = devices[int(index)].id.left(StringBufferSize - 1);
    std::memset(buffer, 0, StringBufferSize);
    std::memcpy(buffer, id.constData(), std::size_t(id.size()));
    return Ok;
}

QString ModelUsbApi::where(std::uint32_t index) const
{
    return index < std::uint32_t(devices.size()) ? devices[int(index)].where : QString();
}

int ModelUsbApi::open(std::uint32_t index, Handle *handle)
{
    ++opens;
    if (!present() || index >= std::uint32_t(devices.size()))
        return NoDevice;
    if (devices[int(index)].openStatus != 0) {
        *handle = 0x5A5A; // the library may leave garbage behind on failure
        return devices[int(index)].openStatus;
    }
    if (open_.empty()) {
        queue_.clear();
        pending_ = false;
    }
    *handle = FirstHandle + Handle(index);
    open_.insert(*handle);
    return Ok;
}

int ModelUsbApi::close(Handle handle)
{
    ++closes;
    if (!validHandle(handle)) {
        violation = true;
        return InvalidHandle;
    }
    open_.erase(handle);
    if (open_.empty()) {
        queue_.clear();
        pending_ = false;
    }
    const std::uint32_t index = std::uint32_t(handle - FirstHandle);
    return index < std::uint32_t(devices.size()) ? devices[int(index)].closeStatus : Ok;
}

ScriptedReply ModelUsbApi::next(const QByteArray &request)
{
    if (!script.isEmpty())
        return script.takeFirst();
    if (behaviour)
        return behaviour(request);
    if (responder) {
        const std::optional<QByteArray> reply = responder(request);
        return reply ? ScriptedReply::of(*reply) : ScriptedReply::silence();
    }
    if (model_ != nullptr) {
        const DeviceModel::Reply reply = model_->handle(request);
        return reply.send ? ScriptedReply::of(reply.bytes, reply.delayMs)
                          : ScriptedReply::silence();
    }
    return ScriptedReply::silence();
}

int ModelUsbApi::write(Handle handle, const std::uint8_t *data, std::uint32_t count,
                       std::uint32_t *bytesWritten)
{
    *bytesWritten = 0;
    if (!validHandle(handle)) {
        violation = true;
        return InvalidHandle;
    }
    if (model_ != nullptr && model_->unplugged())
        return IoError; // the connection is gone
    const QByteArray request(reinterpret_cast<const char *>(data), int(count));
    writeHandles.append(handle);
    timeoutsAtWrite.append({readTimeout, writeTimeout});
    writes.append(request);
    if (last.written)
        earlier.push_back(last);
    last = Exchange{};
    last.written = true;
    last.request.assign(data, data + count);
    if (failWrites) {
        last.writeFailed = true;
        return WriteFailed;
    }

    const ScriptedReply reply = next(request);
    readFails_ = reply.readFails;
    checksToFail_ = reply.failingChecks;
    readExtra_ = reply.readReportsMore;
    checkCost_ = reply.emptyCheckMs;
    if (reply.writeFails) {
        last.writeFailed = true;
        return WriteFailed;
    }
    *bytesWritten = count;
    // One request at a time: a reply still on its way from an earlier request is lost.
    pending_ = !reply.none && !reply.bytes.isEmpty();
    pendingBytes_ = reply.bytes;
    pendingDue_ = clock_.tickCount() + reply.delayMs;
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
    ++queueChecks;
    *bytesInQueue = 0;
    *queueStatus = QueueStatusNoOverrun;
    if (!validHandle(handle)) {
        violation = true;
        return InvalidHandle;
    }
    if (failQueueChecks != 0 || checksToFail_ > 0) {
        if (failQueueChecks > 0)
            --failQueueChecks;
        else if (failQueueChecks == 0)
            --checksToFail_;
        ++last.failedChecks;
        clock_.sleep(checkCost_);
        return CheckFailed;
    }
    deliverDue();
    if (queue_.isEmpty()) {
        clock_.sleep(checkCost_); // a real check waits a moment before saying "nothing"
        deliverDue();
    }
    *bytesInQueue = std::uint32_t(queue_.size());
    return Ok;
}

int ModelUsbApi::read(Handle handle, std::uint8_t *buffer, std::uint32_t capacity,
                      std::uint32_t *bytesRead)
{
    *bytesRead = 0;
    if (!validHandle(handle)) {
        violation = true;
        return InvalidHandle;
    }
    timeoutsAtRead.append({readTimeout, writeTimeout});
    deliverDue();
    const std::uint32_t n = std::min<std::uint32_t>(capacity, std::uint32_t(queue_.size()));
    std::memcpy(buffer, queue_.constData(), n);
    last.readCalled = true;
    last.readCapacity = capacity;
    last.delivered.assign(buffer, buffer + n);
    queue_.remove(0, int(n));
    *bytesRead = n + readReportsExtra + readExtra_;
    last.reported = *bytesRead;
    last.readFailed = failReads || readFails_;
    return last.readFailed ? ReadFailed : Ok;
}

int ModelUsbApi::flushBuffers(Handle handle, std::uint8_t, std::uint8_t flushReceive)
{
    if (!validHandle(handle)) {
        violation = true;
        return InvalidHandle;
    }
    ++flushes;
    if (flushReceive) {
        deliverDue();
        queue_.clear();
    }
    return Ok;
}

int ModelUsbApi::setTimeouts(std::uint32_t r, std::uint32_t w)
{
    readTimeout = r;
    writeTimeout = w;
    return Ok;
}

int ModelUsbApi::getTimeouts(std::uint32_t *r, std::uint32_t *w)
{
    *r = readTimeout;
    *w = writeTimeout;
    return Ok;
}
