#include "sim/SimServer.h"

#include "device/Clock.h"
#include "device/VirtualUsbApi.h"
#include "sim/DeviceModel.h"

#include <QDateTime>
#include <QFile>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace
{

bool makeAddress(const QByteArray &path, sockaddr_un *address)
{
    *address = sockaddr_un{};
    address->sun_family = AF_UNIX;
    if (path.size() >= int(sizeof address->sun_path))
        return false;
    std::memcpy(address->sun_path, path.constData(), std::size_t(path.size()));
    return true;
}

bool someoneListens(const QByteArray &path)
{
    sockaddr_un address;
    if (!makeAddress(path, &address))
        return false;
    const int fd = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    const bool live = ::connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0;
    ::close(fd);
    return live;
}

constexpr int kDatagram = 4096;

} // namespace

SimServer::SimServer(DeviceModel &model, Clock &clock) : model_(model), clock_(clock)
{
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) == 0) {
        wakeRead_ = fds[0];
        wakeWrite_ = fds[1];
    }
}

SimServer::~SimServer()
{
    unplug();
    if (wakeRead_ >= 0)
        ::close(wakeRead_);
    if (wakeWrite_ >= 0)
        ::close(wakeWrite_);
}

SimServer::Start SimServer::start(const QString &directory, const QByteArray &id, QString *error)
{
    auto fail = [error](Start why, const QString &text) {
        if (error)
            *error = text;
        return why;
    };
    if (!VirtualUsbApi::isValidId(id))
        return fail(Start::Failed,
                    QStringLiteral("invalid id \"%1\" (1 to 64 of A-Z a-z 0-9 . _ -)")
                        .arg(QString::fromLatin1(id)));
    const QByteArray dir = QFile::encodeName(directory);
    if (::mkdir(dir.constData(), 0700) != 0 && errno != EEXIST)
        return fail(Start::BadDirectory,
                    QStringLiteral("cannot create %1: %2")
                        .arg(directory, QString::fromLocal8Bit(strerror(errno))));
    if (!VirtualUsbApi::isTrustedDirectory(directory))
        return fail(
            Start::BadDirectory,
            QStringLiteral("%1 must be a directory of this user with mode 0700").arg(directory));
    const QByteArray path = dir + '/' + id + ".sock";
    sockaddr_un address;
    if (!makeAddress(path, &address))
        return fail(Start::Failed,
                    QStringLiteral("socket path too long: %1").arg(QFile::decodeName(path)));
    if (someoneListens(path))
        return fail(
            Start::AlreadyServed,
            QStringLiteral("a simulator already serves \"%1\"").arg(QString::fromLatin1(id)));
    struct stat st {
    };
    if (::lstat(path.constData(), &st) == 0) {
        if (!S_ISSOCK(st.st_mode))
            return fail(Start::Failed,
                        QStringLiteral("%1 exists and is no socket").arg(QFile::decodeName(path)));
        ::unlink(path.constData()); // stale: nobody listens
    }
    const int fd = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0 ||
        ::listen(fd, 8) != 0) {
        const QString why = QString::fromLocal8Bit(strerror(errno));
        if (fd >= 0)
            ::close(fd);
        return fail(Start::Failed,
                    QStringLiteral("cannot listen on %1: %2").arg(QFile::decodeName(path), why));
    }
    listenFd_ = fd;
    path_ = QFile::decodeName(path);
    directory_ = directory;
    id_ = id;
    stopping_ = false;
    return Start::Ok;
}

void SimServer::unplug()
{
    for (int fd : clients_)
        ::close(fd);
    clients_.clear();
    pending_.clear();
    if (listenFd_ >= 0) {
        ::close(listenFd_);
        listenFd_ = -1;
        ::unlink(QFile::encodeName(path_).constData());
    }
}

void SimServer::stop()
{
    stopping_ = true;
    if (wakeWrite_ >= 0) {
        const char c = 1;
        [[maybe_unused]] const ssize_t n = ::write(wakeWrite_, &c, 1);
    }
}

void SimServer::setInput(int fd, std::function<void(const QByteArray &)> onLine)
{
    inputFd_ = fd;
    onLine_ = std::move(onLine);
}

void SimServer::run()
{
    while (!stopping_)
        runOnce(-1);
    unplug();
}

void SimServer::runOnce(int timeoutMs)
{
    QList<pollfd> fds;
    fds.append(pollfd{wakeRead_, POLLIN, 0});
    if (listenFd_ >= 0)
        fds.append(pollfd{listenFd_, POLLIN, 0});
    if (inputFd_ >= 0)
        fds.append(pollfd{inputFd_, POLLIN, 0});
    for (int fd : clients_)
        fds.append(pollfd{fd, POLLIN, 0});
    int wait = timeoutMs;
    for (const Pending &p : pending_) {
        const int left = std::max<std::int32_t>(0, std::int32_t(p.due - clock_.tickCount()));
        wait = wait < 0 ? left : std::min(wait, left);
    }
    const int ready = ::poll(fds.data(), nfds_t(fds.size()), wait);
    sendDue();
    if (ready <= 0)
        return;
    for (const pollfd &p : fds) {
        if (!p.revents)
            continue;
        if (p.fd == wakeRead_) {
            char drain[64];
            while (::read(wakeRead_, drain, sizeof drain) > 0) {
            }
        } else if (p.fd == listenFd_) {
            acceptClient();
        } else if (p.fd == inputFd_) {
            readInput();
        } else if (clients_.contains(p.fd)) {
            serveClient(p.fd);
        }
        if (listenFd_ < 0 && !clients_.isEmpty())
            break; // unplugged while handling
    }
}

void SimServer::acceptClient()
{
    const int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (fd >= 0)
        clients_.append(fd);
}

void SimServer::closeClient(int fd)
{
    ::close(fd);
    clients_.removeAll(fd);
    for (int i = pending_.size() - 1; i >= 0; --i)
        if (pending_[i].fd == fd)
            pending_.removeAt(i);
}

void SimServer::serveClient(int fd)
{
    char datagram[kDatagram];
    const ssize_t n = ::recv(fd, datagram, sizeof datagram, MSG_DONTWAIT);
    if (n < 0 && (errno == EAGAIN || errno == EINTR))
        return;
    if (n <= 0) {
        closeClient(fd); // the host closed the device
        return;
    }
    const QByteArray request(datagram, int(n));
    logLine('<', request);
    DeviceModel::Reply reply;
    bool gone = false;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        reply = model_.handle(request);
        gone = model_.unplugged();
    }
    if (!reply.send) {
        logLine('>', QByteArray(), "(no reply)");
    } else if (reply.delayMs == 0) {
        logLine('>', reply.bytes);
        ::send(fd, reply.bytes.constData(), std::size_t(reply.bytes.size()),
               MSG_NOSIGNAL | MSG_DONTWAIT);
    } else {
        pending_.append(Pending{fd, reply.bytes, clock_.tickCount() + reply.delayMs});
    }
    if (gone) {
        sendDue();
        if (log)
            log(QStringLiteral("device unplugged"));
        unplug();
    }
}

void SimServer::sendDue()
{
    const std::uint32_t now = clock_.tickCount();
    for (int i = 0; i < pending_.size(); ++i) {
        if (std::int32_t(now - pending_[i].due) < 0)
            continue;
        const Pending p = pending_.takeAt(i--);
        logLine('>', p.bytes, "(delayed)");
        ::send(p.fd, p.bytes.constData(), std::size_t(p.bytes.size()), MSG_NOSIGNAL | MSG_DONTWAIT);
    }
}

void SimServer::readInput()
{
    char buffer[1024];
    const ssize_t n = ::read(inputFd_, buffer, sizeof buffer);
    if (n <= 0) {
        inputFd_ = -1; // end of input: keep serving
        return;
    }
    inputBuffer_.append(buffer, int(n));
    int end;
    while ((end = inputBuffer_.indexOf('\n')) >= 0) {
        const QByteArray line = inputBuffer_.left(end).trimmed();
        inputBuffer_.remove(0, end + 1);
        if (onLine_) {
            std::lock_guard<std::mutex> lock(mutex_);
            onLine_(line);
        }
    }
    if (inputBuffer_.size() > 4096)
        inputBuffer_.clear(); // a line that long is no command
}

void SimServer::logLine(char direction, const QByteArray &bytes, const char *note)
{
    if (!log)
        return;
    QString line = QDateTime::currentDateTime().toString(QStringLiteral("HH:mm:ss.zzz")) + ' ' +
                   QLatin1Char(direction);
    if (!bytes.isEmpty())
        line += ' ' + QString::fromLatin1(bytes.toHex(' '));
    if (note)
        line += ' ' + QLatin1String(note);
    log(line);
}
