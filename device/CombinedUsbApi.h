#pragma once

#include "device/UsbApi.h"

#include <QList>
#include <initializer_list>

// Several USB backends seen as one library: the devices of the first backend come first (real
// devices, then virtual ones), so the lowest index still wins. The time-out pair is forwarded
// to every backend.
class CombinedUsbApi : public UsbApi
{
public:
    CombinedUsbApi(std::initializer_list<UsbApi *> backends);

    // A backend whose count fails lists nothing; the count fails only when every backend's
    // does, with the first backend's status.
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
    QString where(std::uint32_t index) const override;

private:
    struct Backend {
        UsbApi *api;
        std::uint32_t count = 0; // devices at the last count
    };
    struct Opened {
        int backend = -1; // -1: free slot
        Handle handle = NoHandle;
    };
    // The backend serving `index` of the last count, and the index within it; -1 if none.
    int locate(std::uint32_t index, std::uint32_t *local) const;
    const Opened *opened(Handle handle) const;

    QList<Backend> backends_;
    QList<Opened> opened_; // handle = index + 1
    std::uint32_t readTimeout_ = 0;
    std::uint32_t writeTimeout_ = 0;
};
