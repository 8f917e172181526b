#pragma once

#include "device/UsbApi.h"

#include <QByteArray>
#include <cstdint>

class Clock;
class DeviceModel;

// The USB library over a DeviceModel in the same process: one device, found by its
// identification string. Byte-queue semantics follow the socket backend: a reply joins the
// receive queue once its delay has passed, a read takes up to the capacity from the front, and
// a flush empties the queue (a reply still on its way is not affected). An empty queue check
// costs 1 ms of the clock, so a silent device times out in fake time.
class ModelUsbApi : public UsbApi
{
public:
    ModelUsbApi(DeviceModel &model, Clock &clock, QByteArray id = "2023");

    void setId(const QByteArray &id) { id_ = id; }
    // false: the device is not attached at all (count 0).
    void setAttached(bool attached) { attached_ = attached; }
    bool isOpen() const { return open_; }
    QByteArray queued() const { return queue_; }
    int writes() const { return writes_; }
    int queueChecks() const { return queueChecks_; }
    int flushes() const { return flushes_; }

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

    static constexpr Handle DeviceHandle = 1;
    enum Status { Ok = 0, InvalidHandle = 1, NoDevice = 2, IoError = 4 };

private:
    bool present() const;
    bool validHandle(Handle handle) const { return open_ && handle == DeviceHandle; }
    void deliverDue();

    DeviceModel &model_;
    Clock &clock_;
    QByteArray id_;
    bool attached_ = true;
    bool open_ = false;
    QByteArray queue_;
    bool pending_ = false;
    QByteArray pendingBytes_;
    std::uint32_t pendingDue_ = 0;
    std::uint32_t readTimeout_ = 0;
    std::uint32_t writeTimeout_ = 0;
    int writes_ = 0;
    int queueChecks_ = 0;
    int flushes_ = 0;
};
