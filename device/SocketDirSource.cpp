#include "device/SocketDirSource.h"

#include "device/VirtualUsbApi.h"

#include <QDir>
#include <algorithm>
#include <cerrno>
#include <poll.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{
constexpr int kMaxReads = 64; // a flood of events still ends the drain
const char kSuffix[] = ".sock";
} // namespace

SocketDirSource::SocketDirSource(QString directory)
    : directory_(directory.isEmpty() ? VirtualUsbApi::defaultDirectory() : std::move(directory)),
      inotify_(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC))
{
}

SocketDirSource::~SocketDirSource()
{
    if (inotify_ >= 0)
        ::close(inotify_);
}

void SocketDirSource::descriptors(std::vector<pollfd> &fds)
{
    if (watch_ >= 0)
        fds.push_back(pollfd{inotify_, POLLIN, 0});
}

bool SocketDirSource::drain()
{
    if (watch_ < 0)
        return false;
    alignas(inotify_event) char buffer[4096];
    bool changed = false;
    for (int i = 0; i < kMaxReads; ++i) {
        const ssize_t n = ::read(inotify_, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        changed = true;
        for (ssize_t at = 0; at + ssize_t(sizeof(inotify_event)) <= n;) {
            const auto *e = reinterpret_cast<const inotify_event *>(buffer + at);
            // The directory went: look, and watch it again if it is back. (A late notice about
            // an earlier watch must not end the current one.)
            if (e->wd == watch_ && (e->mask & (IN_IGNORED | IN_DELETE_SELF | IN_MOVE_SELF))) {
                ::inotify_rm_watch(inotify_, watch_);
                watch_ = -1;
            }
            at += ssize_t(sizeof(inotify_event)) + e->len;
        }
    }
    return changed;
}

std::vector<DeviceSource::Seen> SocketDirSource::scan()
{
    std::vector<Seen> seen;
    if (!VirtualUsbApi::isTrustedDirectory(directory_)) {
        if (watch_ >= 0)
            ::inotify_rm_watch(inotify_, watch_);
        watch_ = -1;
        return seen;
    }
    // Watch before listing, so that nothing created in between goes unnoticed.
    if (watch_ < 0 && inotify_ >= 0)
        watch_ = ::inotify_add_watch(inotify_, QFile::encodeName(directory_).constData(),
                                     IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO |
                                         IN_ATTRIB | IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR);
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
        seen.push_back(Seen{path, id, stamp});
    }
    return seen;
}
