#pragma once

#include "device/UsbApi.h"

#include <QString>

// Devices served over Unix SEQPACKET sockets in one private directory, found like USB devices.
class VirtualUsbApi : public UsbApi
{
public:
    // Empty directory: the default ($XDG_RUNTIME_DIR/korvalis-usb or /tmp/korvalis-usb-<uid>).
    explicit VirtualUsbApi(QString directory = QString());
    ~VirtualUsbApi() override;

    static QString defaultDirectory();

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

private:
    QString directory_;
    std::uint32_t readTimeout_ = 0;
    std::uint32_t writeTimeout_ = 0;
};
