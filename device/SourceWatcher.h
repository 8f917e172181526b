#pragma once

#include "device/DeviceSource.h"
#include "device/DeviceWatcher.h"

#include <cstdint>
#include <memory>
#include <vector>

class Clock;

// The watcher over one or more device sources: it compares each look with the last one, so
// repeated or unmatched notifications never make an event of their own. An event-driven source
// is looked at only when its descriptors tell of something; a source that cannot tell (no
// libusb hotplug, no socket directory to watch), or that holds a device whose departure it
// would not tell, is looked at anew every RescanMs; one that saw a device half made (a socket
// not yet listening) asks for the next look itself (DeviceSource::lookAgainMs).
class SourceWatcher : public DeviceWatcher
{
public:
    // A little under a second, so that a look and its report fit within one second.
    static constexpr std::uint32_t RescanMs = 900;

    // `id` empty: every device; otherwise only devices with this identification string, or the
    // one at this place ("1-4.2", a socket file).
    SourceWatcher(Clock &clock, QByteArray id, std::vector<std::unique_ptr<DeviceSource>> sources);

    std::vector<DeviceEvent> poll(int maxWaitMs) override;
    std::vector<WatchedDevice> present() const override;
    WaitSet waitSet() override;
    void setWakeUp(std::function<void()> wakeUp) override;

private:
    struct Tracked {
        std::unique_ptr<DeviceSource> source;
        std::vector<DeviceSource::Seen> known;
        std::uint32_t lastScan = 0;
    };
    void look(Tracked &t, std::vector<DeviceEvent> &events);
    bool rescans(const Tracked &t) const;
    // Milliseconds until `t` is due for a rescan; -1 when it needs none.
    int rescanInMs(const Tracked &t, std::uint32_t now) const;

    Clock &clock_;
    QByteArray id_;
    std::vector<Tracked> sources_;
};

// Real USB devices (libusb hotplug where available, else sysfs rescans) and the simulated
// devices in `socketDirectory` (empty: the socket backend's default).
std::unique_ptr<DeviceWatcher> makeDeviceWatcher(Clock &clock, QByteArray id,
                                                 QString socketDirectory = QString());
