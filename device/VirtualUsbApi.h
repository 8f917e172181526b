#pragma once

#include "device/UsbApi.h"

#include <QByteArray>
#include <QList>
#include <QString>

// Devices served over Unix SEQPACKET sockets in one private directory, found like USB devices:
// each listening socket <id>.sock is one device whose identification string is <id>. A device
// sends at most one datagram per request; what it sent waits in a byte queue until read or
// flushed, as with the USB library.
class VirtualUsbApi : public UsbApi
{
public:
    // Empty directory: the default ($XDG_RUNTIME_DIR/korvalis-usb or /tmp/korvalis-usb-<uid>).
    explicit VirtualUsbApi(QString directory = QString());
    ~VirtualUsbApi() override;
    VirtualUsbApi(const VirtualUsbApi &) = delete;
    VirtualUsbApi &operator=(const VirtualUsbApi &) = delete;

    static QString defaultDirectory();
    // 1 to 64 characters of A-Z a-z 0-9 . _ -
    static bool isValidId(const QByteArray &id);
    // The directory exists, is a real directory owned by us and closed to group and others.
    static bool isTrustedDirectory(const QString &directory);
    QString directory() const { return directory_; }
    // The socket file of device `index` of the last count.
    QString where(std::uint32_t index) const override;

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

    enum Status { Ok = 0, InvalidHandle = 1, NoDevice = 2, InvalidParameter = 3, IoError = 4 };
    static constexpr int MaxQueue = 4096;

private:
    struct Connection {
        int fd = -1;
        bool hungUp = false;
        QByteArray queue;
    };
    Connection *connection(Handle handle);
    void scan();
    // Moves datagrams waiting on the socket into the queue, waiting up to `waitMs` for the first.
    void receive(Connection &c, int waitMs);

    QString directory_;
    QList<QByteArray> ids_;         // devices found by the last count, sorted by file name
    QList<Connection> connections_; // handle = index + 1
    std::uint32_t readTimeout_ = 0;
    std::uint32_t writeTimeout_ = 0;
};
