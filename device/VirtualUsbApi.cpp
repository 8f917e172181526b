#include "device/VirtualUsbApi.h"

#include <QDir>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace
{

constexpr int kMaxIdLength = 64;
constexpr int kDatagramBuffer = 4096;

bool connectTo(int fd, const QByteArray &path)
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= int(sizeof address.sun_path))
        return false;
    std::memcpy(address.sun_path, path.constData(), std::size_t(path.size()));
    int rc;
    do {
        rc = ::connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address);
    } while (rc != 0 && errno == EINTR);
    return rc == 0;
}

void pauseMs(long ms)
{
    timespec t{0, ms * 1000000L};
    nanosleep(&t, nullptr);
}

} // namespace

VirtualUsbApi::VirtualUsbApi(QString directory)
    : directory_(directory.isEmpty() ? defaultDirectory() : std::move(directory))
{
}

VirtualUsbApi::~VirtualUsbApi()
{
    for (Connection &c : connections_)
        if (c.fd >= 0)
            ::close(c.fd);
}

QString VirtualUsbApi::defaultDirectory()
{
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty())
        return QString::fromLocal8Bit(runtime) + QStringLiteral("/korvalis-usb");
    return QStringLiteral("/tmp/korvalis-usb-%1").arg(::getuid());
}

bool VirtualUsbApi::isValidId(const QByteArray &id)
{
    if (id.isEmpty() || id.size() > kMaxIdLength)
        return false;
    return std::all_of(id.begin(), id.end(), [](char c) {
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
               c == '.' || c == '_' || c == '-';
    });
}

bool VirtualUsbApi::isTrustedDirectory(const QString &directory)
{
    struct stat st {
    };
    if (::lstat(QFile::encodeName(directory).constData(), &st) != 0)
        return false;
    return S_ISDIR(st.st_mode) && st.st_uid == ::getuid() && (st.st_mode & 077) == 0;
}

void VirtualUsbApi::scan()
{
    ids_.clear();
    if (!isTrustedDirectory(directory_))
        return;
    const QDir dir(directory_);
    QStringList names =
        dir.entryList({QStringLiteral("*.sock")}, QDir::System | QDir::Files | QDir::Hidden);
    std::sort(names.begin(), names.end(), [](const QString &a, const QString &b) {
        return QFile::encodeName(a) < QFile::encodeName(b);
    });
    for (const QString &name : names) {
        const QByteArray file = QFile::encodeName(name);
        const QByteArray id = file.left(file.size() - 5);
        if (!isValidId(id))
            continue;
        struct stat st {
        };
        const QByteArray path = QFile::encodeName(dir.filePath(name));
        if (::lstat(path.constData(), &st) == 0 && S_ISSOCK(st.st_mode))
            ids_ << id;
    }
}

int VirtualUsbApi::getNumDevices(std::uint32_t *count)
{
    scan();
    *count = std::uint32_t(ids_.size());
    return Ok;
}

QString VirtualUsbApi::where(std::uint32_t index) const
{
    if (index >= std::uint32_t(ids_.size()))
        return QString();
    return directory_ + QLatin1Char('/') + QFile::decodeName(ids_[int(index)]) +
           QStringLiteral(".sock");
}

int VirtualUsbApi::getProductString(std::uint32_t index, char *buffer, std::uint32_t option)
{
    if (index >= std::uint32_t(ids_.size()))
        return NoDevice;
    if (option != 0)
        return InvalidParameter;
    const QByteArray &id = ids_[int(index)];
    std::memset(buffer, 0, StringBufferSize);
    std::memcpy(buffer, id.constData(), std::size_t(id.size())); // at most 64 bytes
    return Ok;
}

int VirtualUsbApi::open(std::uint32_t index, Handle *handle)
{
    if (index >= std::uint32_t(ids_.size()) || !isTrustedDirectory(directory_))
        return NoDevice;
    const QByteArray path =
        QFile::encodeName(directory_) + '/' + ids_[int(index)] + QByteArrayLiteral(".sock");
    const int fd = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return IoError;
    if (!connectTo(fd, path)) {
        ::close(fd); // a stale socket file: nobody listens
        return NoDevice;
    }
    int slot = 0;
    while (slot < connections_.size() && connections_[slot].fd >= 0)
        ++slot;
    if (slot == connections_.size())
        connections_.append(Connection{});
    connections_[slot] = Connection{fd, false, QByteArray()};
    *handle = Handle(slot + 1);
    return Ok;
}

VirtualUsbApi::Connection *VirtualUsbApi::connection(Handle handle)
{
    if (handle < 1 || handle > connections_.size() || connections_[handle - 1].fd < 0)
        return nullptr;
    return &connections_[handle - 1];
}

int VirtualUsbApi::close(Handle handle)
{
    Connection *c = connection(handle);
    if (!c)
        return InvalidHandle;
    ::close(c->fd);
    *c = Connection{};
    return Ok;
}

void VirtualUsbApi::receive(Connection &c, int waitMs)
{
    if (c.hungUp)
        return;
    char datagram[kDatagramBuffer];
    bool first = true;
    for (;;) {
        const ssize_t n = ::recv(c.fd, datagram, sizeof datagram, MSG_DONTWAIT);
        if (n > 0) {
            const int room = MaxQueue - int(c.queue.size());
            c.queue.append(datagram, int(std::min<ssize_t>(n, std::max(room, 0))));
            first = false;
            continue;
        }
        if (n == 0) {
            c.hungUp = true; // the device went away
            return;
        }
        if (errno == EINTR)
            continue;
        if (errno != EAGAIN && errno != EWOULDBLOCK) {
            c.hungUp = true;
            return;
        }
        if (!first || waitMs <= 0)
            return;
        pollfd p{c.fd, POLLIN, 0};
        const int ready = ::poll(&p, 1, waitMs);
        waitMs = 0; // wait once only
        if (ready <= 0)
            return;
    }
}

int VirtualUsbApi::write(Handle handle, const std::uint8_t *data, std::uint32_t count,
                         std::uint32_t *bytesWritten)
{
    *bytesWritten = 0;
    Connection *c = connection(handle);
    if (!c)
        return InvalidHandle;
    if (c->hungUp)
        return IoError;
    pollfd p{c->fd, POLLOUT, 0};
    // Never block for good, whatever time-out the caller set.
    const int waitMs =
        int(std::clamp<std::uint32_t>(writeTimeout_ == 0 ? 4000 : writeTimeout_, 1, 60000));
    int ready;
    do {
        ready = ::poll(&p, 1, waitMs);
    } while (ready < 0 && errno == EINTR);
    if (ready <= 0 || (p.revents & (POLLERR | POLLHUP | POLLNVAL))) {
        if (p.revents & (POLLERR | POLLHUP))
            c->hungUp = true;
        return IoError;
    }
    ssize_t sent;
    do {
        sent = ::send(c->fd, data, count, MSG_NOSIGNAL | MSG_DONTWAIT);
    } while (sent < 0 && errno == EINTR);
    if (sent != ssize_t(count)) {
        if (sent < 0 && (errno == EPIPE || errno == ECONNRESET || errno == ENOTCONN))
            c->hungUp = true;
        return IoError;
    }
    *bytesWritten = count;
    return Ok;
}

int VirtualUsbApi::checkRxQueue(Handle handle, std::uint32_t *bytesInQueue,
                                std::uint32_t *queueStatus)
{
    *bytesInQueue = 0;
    *queueStatus = QueueStatusNoOverrun;
    Connection *c = connection(handle);
    if (!c)
        return InvalidHandle;
    if (c->queue.isEmpty() && !c->hungUp) {
        // One poll() per empty check keeps a caller's wait loop cheap.
        pollfd p{c->fd, POLLIN, 0};
        if (::poll(&p, 1, 1) > 0)
            receive(*c, 0);
    } else {
        receive(*c, 0);
    }
    if (c->queue.isEmpty() && c->hungUp)
        pauseMs(1); // nothing will ever come: still do not spin the caller's wait loop
    *bytesInQueue = std::uint32_t(c->queue.size());
    return Ok;
}

int VirtualUsbApi::read(Handle handle, std::uint8_t *buffer, std::uint32_t capacity,
                        std::uint32_t *bytesRead)
{
    *bytesRead = 0;
    Connection *c = connection(handle);
    if (!c)
        return InvalidHandle;
    receive(*c, c->queue.isEmpty() ? int(std::min<std::uint32_t>(readTimeout_, 60000)) : 0);
    const std::uint32_t n = std::min<std::uint32_t>(capacity, std::uint32_t(c->queue.size()));
    std::memcpy(buffer, c->queue.constData(), n);
    c->queue.remove(0, int(n));
    *bytesRead = n;
    return Ok;
}

int VirtualUsbApi::flushBuffers(Handle handle, std::uint8_t, std::uint8_t flushReceive)
{
    Connection *c = connection(handle);
    if (!c)
        return InvalidHandle;
    if (flushReceive) {
        receive(*c, 0); // also discards what is pending on the socket
        c->queue.clear();
    }
    return Ok;
}

int VirtualUsbApi::setTimeouts(std::uint32_t readTimeout, std::uint32_t writeTimeout)
{
    readTimeout_ = readTimeout;
    writeTimeout_ = writeTimeout;
    return Ok;
}

int VirtualUsbApi::getTimeouts(std::uint32_t *readTimeout, std::uint32_t *writeTimeout)
{
    *readTimeout = readTimeout_;
    *writeTimeout = writeTimeout_;
    return Ok;
}
