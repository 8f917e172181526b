#pragma once

#include <QByteArray>
#include <QString>
#include <functional>
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
        // The source would not tell of this device's departure (libusb never listed it): the
        // watcher looks for it again within a second while it is there.
        bool untold = false;
    };

    virtual ~DeviceSource() = default;
    virtual bool simulated() const = 0;
    // False: nothing tells of changes right now, so the watcher looks again within a second.
    virtual bool eventDriven() const = 0;
    // Milliseconds after the last look at which another is wanted although no descriptor
    // will tell (a device seen half made); -1: none.
    virtual int lookAgainMs() const { return -1; }
    // Descriptors to wait on; none for a source that only rescans.
    virtual void descriptors(std::vector<pollfd> &fds) = 0;
    // `wakeUp` is called, from any thread, when the descriptors change outside the watcher's
    // calls (the source's library may add or remove some on a thread of its own).
    virtual void setWakeUp(std::function<void()> wakeUp) { (void)wakeUp; }
    // Takes what the descriptors delivered, without blocking; true when something changed.
    virtual bool drain() = 0;
    virtual std::vector<Seen> scan() = 0;
};
