#pragma once

#include <QByteArray>
#include <QString>
#include <vector>

struct pollfd;

// One kind of device (real USB, simulated sockets) as the watcher sees it: a full look at what
// is there, and descriptors that tell when looking again is worth it.
class DeviceSource
{
public:
    struct Seen {
        QString where;    // key: one place holds one device
        QByteArray id;    // identification string
        QByteArray stamp; // differs when another device (or the same one replugged) is there
    };

    virtual ~DeviceSource() = default;
    virtual bool simulated() const = 0;
    // False: nothing tells of changes right now, so the watcher looks again within a second.
    virtual bool eventDriven() const = 0;
    // Descriptors to wait on; none for a source that only rescans.
    virtual void descriptors(std::vector<pollfd> &fds) = 0;
    // Takes what the descriptors delivered, without blocking; true when something changed.
    virtual bool drain() = 0;
    virtual std::vector<Seen> scan() = 0;
};
