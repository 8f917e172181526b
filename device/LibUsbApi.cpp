#include "device/LibUsbApi.h"

#include "device/OpenFailure.h"

#include <QFile>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <libusb.h>
#include <unistd.h>

namespace
{

const char kDevicesDir[] = "/sys/bus/usb/devices";
constexpr int kMaxAttribute = 64 * 1024; // descriptors of any real device fit
constexpr std::uint32_t kDefaultTimeoutMs = 4000;
constexpr std::uint32_t kMaxTimeoutMs = 60000;
constexpr int kDrainTransfers = 16;

// Plain POSIX reads: sysfs attributes are small, and nothing here may need more than read().
bool readAttribute(const QString &dir, const char *name, QByteArray *out)
{
    const QByteArray path = QFile::encodeName(dir) + '/' + name;
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    out->clear();
    char chunk[4096];
    for (;;) {
        const ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        out->append(chunk, int(n));
        if (out->size() > kMaxAttribute)
            break;
    }
    ::close(fd);
    return true;
}

// A text attribute without the line feed the kernel appends; nothing else is trimmed, so
// "2023 " stays different from "2023".
QByteArray textAttribute(const QString &dir, const char *name)
{
    QByteArray value;
    if (!readAttribute(dir, name, &value))
        return QByteArray();
    if (value.endsWith('\n'))
        value.chop(1);
    return value;
}

int numberAttribute(const QString &dir, const char *name)
{
    bool ok = false;
    const int value = textAttribute(dir, name).trimmed().toInt(&ok, 10);
    return ok ? value : -1;
}

QByteArray identification(const QString &dir)
{
    const QByteArray serial = textAttribute(dir, "serial");
    return serial.isEmpty() ? textAttribute(dir, "product") : serial;
}

std::uint32_t boundedTimeout(std::uint32_t ms)
{
    // libusb reads 0 as "wait for ever"; the library's callers never mean that.
    return std::clamp<std::uint32_t>(ms == 0 ? kDefaultTimeoutMs : ms, 1, kMaxTimeoutMs);
}

} // namespace

LibUsbApi::LibUsbApi() = default;

LibUsbApi::~LibUsbApi()
{
    for (int i = 0; i < connections_.size(); ++i)
        if (connections_[i].device)
            close(Handle(i + 1));
    if (context_)
        libusb_exit(context_);
}

LibUsbApi::Interface LibUsbApi::vendorInterface(const QByteArray &descriptors,
                                                int activeConfiguration)
{
    const auto *d = reinterpret_cast<const std::uint8_t *>(descriptors.constData());
    const int size = int(descriptors.size());
    bool inActive = false, seenConfig = false;
    Interface current, none;
    bool hasIn = false, hasOut = false;
    auto qualifies = [&] { return current.number >= 0 && hasIn && hasOut; };
    for (int at = 0; at + 2 <= size;) {
        const int length = d[at];
        const int type = d[at + 1];
        if (length < 2 || at + length > size)
            break;
        if (type == 2 && length >= 9) { // configuration
            if (inActive && qualifies())
                return current;
            // Without a known active configuration the first one is taken.
            inActive = activeConfiguration > 0 ? d[at + 5] == activeConfiguration : !seenConfig;
            seenConfig = true;
            current = none;
            hasIn = hasOut = false;
        } else if (type == 4 && length >= 9 && inActive) { // interface
            if (qualifies())
                return current;
            current = none;
            hasIn = hasOut = false;
            if (d[at + 5] == 0xFF) {
                current.number = d[at + 2];
                current.altSetting = d[at + 3];
            }
        } else if (type == 5 && length >= 7 && inActive && current.number >= 0) { // endpoint
            const std::uint8_t address = d[at + 2];
            const bool bulk = (d[at + 3] & 0x03) == 0x02;
            const int packet = (d[at + 4] | (d[at + 5] << 8)) & 0x7FF;
            if (bulk && (address & 0x80) && !hasIn) {
                current.endpointIn = address;
                current.packetSizeIn = packet > 0 ? packet : 64;
                hasIn = true;
            } else if (bulk && !(address & 0x80) && !hasOut) {
                current.endpointOut = address;
                hasOut = true;
            }
        }
        at += length;
    }
    return inActive && qualifies() ? current : none;
}

QList<LibUsbApi::Attached> LibUsbApi::attachedDevices()
{
    QList<Attached> found;
    DIR *dir = ::opendir(kDevicesDir);
    if (!dir)
        return found; // no USB bus at all: no devices
    while (const dirent *e = ::readdir(dir)) {
        const QByteArray name(e->d_name);
        if (name.startsWith('.') || name.contains(':')) // interfaces have a colon
            continue;
        const QString path = QString::fromLatin1(kDevicesDir) + '/' + QString::fromLatin1(name);
        QByteArray descriptors;
        if (!readAttribute(path, "descriptors", &descriptors))
            continue;
        const Interface interface =
            vendorInterface(descriptors, numberAttribute(path, "bConfigurationValue"));
        const int bus = numberAttribute(path, "busnum");
        if (interface.number < 0 || bus < 0)
            continue;
        found.append(Attached{QString::fromLatin1(name), path, bus, numberAttribute(path, "devnum"),
                              identification(path), interface});
    }
    ::closedir(dir);
    // Stable across replugging into the same port: by bus, then by port path.
    std::sort(found.begin(), found.end(), [](const Attached &a, const Attached &b) {
        return a.bus != b.bus ? a.bus < b.bus : a.name.toLatin1() < b.name.toLatin1();
    });
    return found;
}

void LibUsbApi::scan()
{
    entries_ = attachedDevices();
}

int LibUsbApi::getNumDevices(std::uint32_t *count)
{
    scan();
    *count = std::uint32_t(entries_.size());
    return usbstatus::Ok;
}

QString LibUsbApi::location(std::uint32_t index) const
{
    return index < std::uint32_t(entries_.size()) ? entries_[int(index)].sysfsPath : QString();
}

QString LibUsbApi::where(std::uint32_t index) const
{
    return index < std::uint32_t(entries_.size()) ? entries_[int(index)].name : QString();
}

int LibUsbApi::getProductString(std::uint32_t index, char *buffer, std::uint32_t option)
{
    if (index >= std::uint32_t(entries_.size()))
        return usbstatus::NoDevice;
    if (option != 0)
        return usbstatus::InvalidParameter;
    const QByteArray &id = entries_[int(index)].id;
    if (id.isEmpty())
        return usbstatus::NoIdentification;
    std::memset(buffer, 0, StringBufferSize);
    std::memcpy(buffer, id.constData(), std::min<std::size_t>(id.size(), StringBufferSize - 1));
    return usbstatus::Ok;
}

bool LibUsbApi::ensureContext()
{
    if (!context_ && !contextFailed_)
        contextFailed_ = libusb_init(&context_) != LIBUSB_SUCCESS;
    return context_ != nullptr;
}

int LibUsbApi::open(std::uint32_t index, Handle *handle)
{
    if (index >= std::uint32_t(entries_.size()))
        return usbstatus::NoDevice;
    const Entry &entry = entries_[int(index)];
    // The address changes on every replug: read it again, and make sure it is still our device.
    const int bus = numberAttribute(entry.sysfsPath, "busnum");
    const int address = numberAttribute(entry.sysfsPath, "devnum");
    if (bus < 0 || address < 0 || identification(entry.sysfsPath) != entry.id)
        return usbstatus::NoDevice;
    if (!ensureContext())
        return usbstatus::IoError;

    libusb_device **list = nullptr;
    const ssize_t n = libusb_get_device_list(context_, &list);
    if (n < 0)
        return usbstatus::IoError;
    libusb_device *match = nullptr;
    for (ssize_t i = 0; i < n && !match; ++i)
        if (libusb_get_bus_number(list[i]) == bus && libusb_get_device_address(list[i]) == address)
            match = list[i];
    libusb_device_handle *device = nullptr;
    int rc = match ? libusb_open(match, &device) : LIBUSB_ERROR_NO_DEVICE;
    libusb_free_device_list(list, 1);
    if (rc == LIBUSB_SUCCESS) {
        libusb_set_auto_detach_kernel_driver(device, 1); // not supported: nothing to detach
        rc = libusb_claim_interface(device, entry.interface.number);
        if (rc == LIBUSB_SUCCESS && entry.interface.altSetting != 0) {
            rc = libusb_set_interface_alt_setting(device, entry.interface.number,
                                                  entry.interface.altSetting);
            if (rc != LIBUSB_SUCCESS)
                libusb_release_interface(device, entry.interface.number);
        }
        if (rc != LIBUSB_SUCCESS)
            libusb_close(device);
    }
    if (rc != LIBUSB_SUCCESS) {
        Connection none;
        return statusOf(none, rc);
    }

    int slot = 0;
    while (slot < connections_.size() && connections_[slot].device)
        ++slot;
    if (slot == connections_.size())
        connections_.append(Connection{});
    connections_[slot] = Connection{device, entry.interface, QByteArray(), false};
    *handle = Handle(slot + 1);
    return usbstatus::Ok;
}

LibUsbApi::Connection *LibUsbApi::connection(Handle handle)
{
    if (handle < 1 || handle > connections_.size() || !connections_[handle - 1].device)
        return nullptr;
    return &connections_[handle - 1];
}

int LibUsbApi::statusOf(Connection &c, int libusbError)
{
    switch (libusbError) {
    case LIBUSB_SUCCESS:
        return usbstatus::Ok;
    case LIBUSB_ERROR_TIMEOUT:
        return usbstatus::Timeout;
    case LIBUSB_ERROR_ACCESS:
        return usbstatus::AccessDenied;
    case LIBUSB_ERROR_BUSY:
        return usbstatus::Busy;
    case LIBUSB_ERROR_NOT_FOUND:
    case LIBUSB_ERROR_NO_DEVICE:
        if (c.device) {
            c.gone = true;
            return usbstatus::Gone;
        }
        return usbstatus::NoDevice;
    case LIBUSB_ERROR_INVALID_PARAM:
        return usbstatus::InvalidParameter;
    default:
        return usbstatus::IoError;
    }
}

int LibUsbApi::close(Handle handle)
{
    Connection *c = connection(handle);
    if (!c)
        return usbstatus::InvalidHandle;
    if (!c->gone)
        libusb_release_interface(c->device, c->interface.number); // gives the kernel driver back
    libusb_close(c->device);
    *c = Connection{};
    return usbstatus::Ok;
}

int LibUsbApi::receive(Connection &c, std::uint32_t timeoutMs)
{
    if (c.gone)
        return usbstatus::Gone;
    // A multiple of the packet size, so that a packet can never overflow the transfer.
    const int packet = std::max(c.interface.packetSizeIn, 1);
    const int size = std::max(1, 512 / packet) * packet;
    unsigned char buffer[1024];
    int transferred = 0;
    const int rc = libusb_bulk_transfer(c.device, c.interface.endpointIn, buffer,
                                        std::min<int>(size, int(sizeof buffer)), &transferred,
                                        std::max<std::uint32_t>(timeoutMs, 1));
    // Bytes that came before a time-out are kept.
    const int room = std::max(0, MaxQueue - int(c.queue.size()));
    c.queue.append(reinterpret_cast<const char *>(buffer), std::clamp(transferred, 0, room));
    return statusOf(c, rc);
}

int LibUsbApi::write(Handle handle, const std::uint8_t *data, std::uint32_t count,
                     std::uint32_t *bytesWritten)
{
    *bytesWritten = 0;
    Connection *c = connection(handle);
    if (!c)
        return usbstatus::InvalidHandle;
    if (c->gone)
        return usbstatus::Gone;
    int transferred = 0;
    // One transfer; libusb splits a request longer than a packet.
    const int rc =
        libusb_bulk_transfer(c->device, c->interface.endpointOut, const_cast<unsigned char *>(data),
                             int(count), &transferred, boundedTimeout(writeTimeout_));
    *bytesWritten = std::uint32_t(std::max(transferred, 0));
    return statusOf(*c, rc);
}

int LibUsbApi::checkRxQueue(Handle handle, std::uint32_t *bytesInQueue, std::uint32_t *queueStatus)
{
    *bytesInQueue = 0;
    *queueStatus = QueueStatusNoOverrun;
    Connection *c = connection(handle);
    if (!c)
        return usbstatus::InvalidHandle;
    if (c->queue.isEmpty()) {
        // Blocks in libusb's event handling for up to 10 ms: a caller's wait loop does not spin.
        const int status = receive(*c, QueueWaitMs);
        if (status != usbstatus::Ok && status != usbstatus::Timeout)
            return status;
    }
    *bytesInQueue = std::uint32_t(c->queue.size());
    return usbstatus::Ok;
}

int LibUsbApi::read(Handle handle, std::uint8_t *buffer, std::uint32_t capacity,
                    std::uint32_t *bytesRead)
{
    *bytesRead = 0;
    Connection *c = connection(handle);
    if (!c)
        return usbstatus::InvalidHandle;
    int status = usbstatus::Ok;
    if (c->queue.isEmpty())
        status = receive(*c, std::min(readTimeout_ == 0 ? 1 : readTimeout_, kMaxTimeoutMs));
    const std::uint32_t n = std::min<std::uint32_t>(capacity, std::uint32_t(c->queue.size()));
    std::memcpy(buffer, c->queue.constData(), n);
    c->queue.remove(0, int(n));
    *bytesRead = n;
    // Nothing came in time: that is an empty read, as with the receive queue.
    return status == usbstatus::Timeout ? usbstatus::Ok : status;
}

int LibUsbApi::flushBuffers(Handle handle, std::uint8_t, std::uint8_t flushReceive)
{
    Connection *c = connection(handle);
    if (!c)
        return usbstatus::InvalidHandle;
    if (!flushReceive)
        return usbstatus::Ok;
    c->queue.clear();
    // Drain what the device still holds (the rest of a long reply), but never for long.
    int status = usbstatus::Ok;
    for (int i = 0; i < kDrainTransfers; ++i) {
        status = receive(*c, 1);
        const bool more = !c->queue.isEmpty();
        c->queue.clear();
        if (!more)
            break;
    }
    return status == usbstatus::Timeout ? usbstatus::Ok : status;
}

int LibUsbApi::setTimeouts(std::uint32_t readTimeout, std::uint32_t writeTimeout)
{
    readTimeout_ = readTimeout;
    writeTimeout_ = writeTimeout;
    return usbstatus::Ok;
}

int LibUsbApi::getTimeouts(std::uint32_t *readTimeout, std::uint32_t *writeTimeout)
{
    *readTimeout = readTimeout_;
    *writeTimeout = writeTimeout_;
    return usbstatus::Ok;
}
