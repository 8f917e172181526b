#include "device/SocketDirSource.h"

#include "device/VirtualUsbApi.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <poll.h>
#include <sys/inotify.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace
{
constexpr int kMaxReads = 64; // a flood of events still ends the drain
const char kSuffix[] = ".sock";

// False only when nobody listens at `path` (yet): a connection there is refused. One
// accepted is closed at once; the simulator takes it for a host that came and went.
bool accepts(const QByteArray &path)
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= int(sizeof address.sun_path))
        return true; // no probe possible: as before
    std::memcpy(address.sun_path, path.constData(), std::size_t(path.size()));
    const int fd = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return true;
    int rc;
    do {
        rc = ::connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address);
    } while (rc != 0 && errno == EINTR);
    const bool refused = rc != 0 && errno == ECONNREFUSED;
    ::close(fd);
    return !refused;
}

// Milliseconds since the file's status last changed (made, renamed); -1 when in the future.
qint64 ageMs(const struct stat &st)
{
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    const qint64 ms = (qint64(now.tv_sec) - qint64(st.st_ctim.tv_sec)) * 1000 +
                      (qint64(now.tv_nsec) - qint64(st.st_ctim.tv_nsec)) / 1000000;
    return ms < 0 ? -1 : ms;
}
} // namespace

SocketDirSource::SocketDirSource(QString directory)
    : directory_(directory.isEmpty() ? VirtualUsbApi::defaultDirectory() : std::move(directory)),
      inotify_(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC))
{
    const QFileInfo dir(QDir::cleanPath(QDir(directory_).absolutePath()));
    parent_ = QFile::encodeName(dir.absolutePath());
    name_ = QFile::encodeName(dir.fileName());
}

SocketDirSource::~SocketDirSource()
{
    if (inotify_ >= 0)
        ::close(inotify_);
}

void SocketDirSource::descriptors(std::vector<pollfd> &fds)
{
    if (eventDriven())
        fds.push_back(pollfd{inotify_, POLLIN, 0});
}

void SocketDirSource::unwatch(int &watch)
{
    if (watch >= 0)
        ::inotify_rm_watch(inotify_, watch);
    watch = -1;
}

bool SocketDirSource::drain()
{
    if (!eventDriven())
        return false;
    alignas(inotify_event) char buffer[4096];
    bool changed = false;
    for (int i = 0; i < kMaxReads; ++i) {
        const ssize_t n = ::read(inotify_, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        for (ssize_t at = 0; at + ssize_t(sizeof(inotify_event)) <= n;) {
            const auto *e = reinterpret_cast<const inotify_event *>(buffer + at);
            const bool self = e->mask & (IN_IGNORED | IN_DELETE_SELF | IN_MOVE_SELF);
            if (e->wd < 0 || (e->mask & IN_Q_OVERFLOW)) {
                changed = true; // the queue overflowed: something may be missed
            } else if (e->wd == watch_) {
                changed = true;
                // The directory went: look, and watch it again if it is back. (A late notice
                // about an earlier watch must not end the current one.)
                if (self)
                    unwatch(watch_);
            } else if (e->wd == parentWatch_) {
                // Of the parent's entries only the directory counts (the parent may be /tmp).
                if (self) {
                    unwatch(parentWatch_);
                    changed = true;
                } else if (e->len > 0 && name_ == e->name) {
                    changed = true;
                }
            }
            at += ssize_t(sizeof(inotify_event)) + e->len;
        }
    }
    return changed;
}

std::vector<DeviceSource::Seen> SocketDirSource::scan()
{
    std::vector<Seen> seen;
    std::vector<QByteArray> listening;
    notListening_ = false;
    // Every watch is made before the look it serves, so that nothing in between goes
    // unnoticed. While the directory is not watched, its parent tells when it comes, goes or
    // changes its mode or owner.
    if (watch_ < 0 && parentWatch_ < 0 && inotify_ >= 0)
        parentWatch_ = ::inotify_add_watch(inotify_, parent_.constData(),
                                           IN_CREATE | IN_MOVED_TO | IN_ATTRIB | IN_DELETE_SELF |
                                               IN_MOVE_SELF | IN_ONLYDIR);
    if (!VirtualUsbApi::isTrustedDirectory(directory_)) {
        unwatch(watch_);
        return seen;
    }
    if (watch_ < 0 && inotify_ >= 0)
        watch_ = ::inotify_add_watch(inotify_, QFile::encodeName(directory_).constData(),
                                     IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO |
                                         IN_ATTRIB | IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR);
    // The directory's own watch tells of its going; without it (no watch left), rescans.
    unwatch(parentWatch_);
    const QDir dir(directory_);
    QStringList names = dir.entryList({QStringLiteral("*.sock")},
                                      QDir::System | QDir::Files | QDir::Hidden, QDir::Name);
    for (const QString &name : names) {
        const QByteArray file = QFile::encodeName(name);
        const QByteArray id = file.left(file.size() - qsizetype(sizeof kSuffix - 1));
        struct stat st {
        };
        const QString path = dir.filePath(name);
        if (!VirtualUsbApi::isValidId(id) ||
            ::lstat(QFile::encodeName(path).constData(), &st) != 0 || !S_ISSOCK(st.st_mode))
            continue;
        // A socket made anew (the simulator restarted) is another device.
        const QByteArray stamp = QByteArray::number(quint64(st.st_ino)) + ':' +
                                 QByteArray::number(qint64(st.st_mtim.tv_sec)) + '.' +
                                 QByteArray::number(qint64(st.st_mtim.tv_nsec));
        // Seen at its bind(), before its listen(), it could not be opened yet: looked at again
        // in a moment instead. Each socket is probed once.
        const bool known =
            std::find(listening_.begin(), listening_.end(), stamp) != listening_.end();
        if (known || accepts(QFile::encodeName(path))) {
            listening.push_back(stamp);
        } else {
            const qint64 age = ageMs(st);
            if (age >= 0 && age < ListenGraceMs) {
                notListening_ = true;
                continue;
            }
        }
        seen.push_back(Seen{path, id, stamp});
    }
    listening_ = std::move(listening);
    return seen;
}
