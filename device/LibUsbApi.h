#pragma once

#include "device/UsbApi.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <cstdint>

struct libusb_context;
struct libusb_device_handle;

// Real USB devices through libusb-1.0. A device counts when it has a vendor-specific interface
// with a bulk IN and a bulk OUT endpoint; its identification string is its serial number, or
// its product string when it has none. Listing reads sysfs only, so it works for any user;
// opening maps the device to libusb by bus number and address, read again right before.
// Replies go through a host-side receive buffer, so the byte-queue semantics of the interface
// hold: a check tells the bytes waiting, a read takes at most its capacity from the front.
class LibUsbApi : public UsbApi
{
public:
    // What the listing found for one device.
    struct Interface {
        int number = -1;
        int altSetting = 0;
        std::uint8_t endpointIn = 0;
        std::uint8_t endpointOut = 0;
        int packetSizeIn = 64;
    };

    // One device of the library's kind as sysfs shows it.
    struct Attached {
        QString name; // the sysfs name: bus and port path, e.g. "1-4.2"
        QString sysfsPath;
        int bus = -1;
        int address = -1; // changes on every replug
        QByteArray id;    // empty: neither serial number nor product string
        Interface interface;
    };

    LibUsbApi();
    ~LibUsbApi() override;
    LibUsbApi(const LibUsbApi &) = delete;
    LibUsbApi &operator=(const LibUsbApi &) = delete;

    // The vendor interface of the active configuration in a raw descriptor set (device
    // descriptor, then configurations), or one with number -1 when there is none.
    static Interface vendorInterface(const QByteArray &descriptors, int activeConfiguration);

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

    // Every device with a vendor interface, by bus, then by port path. Reads sysfs only.
    static QList<Attached> attachedDevices();

    // Where device `index` of the last count sits (its sysfs path); empty when out of range.
    QString location(std::uint32_t index) const;
    // Its bus and port path, as sysfs names it ("1-4.2"); empty when out of range.
    QString where(std::uint32_t index) const override;

    static constexpr int MaxQueue = 4096;
    static constexpr int QueueWaitMs = 10;

private:
    using Entry = Attached;
    struct Connection {
        libusb_device_handle *device = nullptr;
        Interface interface;
        QByteArray queue;
        bool gone = false;
    };

    void scan();
    bool ensureContext();
    Connection *connection(Handle handle);
    // One bulk IN transfer into the receive buffer; returns a status.
    int receive(Connection &c, std::uint32_t timeoutMs);
    int statusOf(Connection &c, int libusbError);

    libusb_context *context_ = nullptr;
    bool contextFailed_ = false;
    QList<Entry> entries_;          // devices found by the last count
    QList<Connection> connections_; // handle = index + 1
    std::uint32_t readTimeout_ = 0;
    std::uint32_t writeTimeout_ = 0;
};
