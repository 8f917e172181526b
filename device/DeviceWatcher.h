#pragma once

#include <QByteArray>
#include <QString>
#include <functional>
#include <poll.h>
#include <vector>

// One device the watcher follows.
struct WatchedDevice {
    QByteArray id;
    bool simulated = false;
    QString where; // USB bus and port path ("1-4.2") or the socket file
};

struct DeviceEvent {
    enum Kind { Arrival, Departure };
    Kind kind = Arrival;
    WatchedDevice device;
};

// Follows devices coming and going. Runs on the thread that calls it (the device thread):
// nothing happens between calls, and no callback reaches another thread.
class DeviceWatcher
{
public:
    virtual ~DeviceWatcher() = default;
    // Waits up to `maxWaitMs` for a change and returns it: each arrival and departure once, a
    // departure before the arrival that replaces it. Returns early when something happened.
    virtual std::vector<DeviceEvent> poll(int maxWaitMs) = 0;
    // The devices present after the last poll (or the first look, right after construction).
    virtual std::vector<WatchedDevice> present() const = 0;

    // For a caller that waits in its own event loop instead of inside poll(): when one of
    // `descriptors` is ready, or after `dueInMs` (-1: never) even if none is, poll(0) has
    // something to do. Asked anew after every poll: both change.
    struct WaitSet {
        std::vector<pollfd> descriptors;
        int dueInMs = -1;
    };
    virtual WaitSet waitSet() { return {}; }
    // Called, from any thread, when the descriptors changed outside a poll.
    virtual void setWakeUp(std::function<void()> wakeUp) { (void)wakeUp; }
};
