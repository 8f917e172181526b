#include "device/SourceWatcher.h"

#include "device/Clock.h"
#include "device/LibUsbSource.h"
#include "device/SocketDirSource.h"

#include <algorithm>
#include <cerrno>
#include <poll.h>

namespace
{

bool sameDevice(const DeviceSource::Seen &a, const DeviceSource::Seen &b)
{
    return a.where == b.where && a.id == b.id && a.stamp == b.stamp;
}

bool contains(const std::vector<DeviceSource::Seen> &list, const DeviceSource::Seen &s)
{
    return std::any_of(list.begin(), list.end(),
                       [&](const DeviceSource::Seen &x) { return sameDevice(x, s); });
}

} // namespace

SourceWatcher::SourceWatcher(Clock &clock, QByteArray id,
                             std::vector<std::unique_ptr<DeviceSource>> sources)
    : clock_(clock), id_(std::move(id))
{
    std::vector<DeviceEvent> ignored; // what is there at the start is present, not arriving
    for (std::unique_ptr<DeviceSource> &s : sources) {
        sources_.push_back(Tracked{std::move(s), {}, 0});
        look(sources_.back(), ignored);
    }
}

void SourceWatcher::look(Tracked &t, std::vector<DeviceEvent> &events)
{
    std::vector<DeviceSource::Seen> now;
    const QString place = QString::fromLocal8Bit(id_);
    for (const DeviceSource::Seen &s : t.source->scan())
        if (id_.isEmpty() || s.id == id_ || s.where == place)
            now.push_back(s);
    const bool simulated = t.source->simulated();
    // Departures first: a replug at a new address leaves, then arrives.
    for (const DeviceSource::Seen &old : t.known)
        if (!contains(now, old))
            events.push_back({DeviceEvent::Departure, WatchedDevice{old.id, simulated, old.where}});
    for (const DeviceSource::Seen &s : now)
        if (!contains(t.known, s))
            events.push_back({DeviceEvent::Arrival, WatchedDevice{s.id, simulated, s.where}});
    t.known = std::move(now);
    t.lastScan = clock_.tickCount();
}

bool SourceWatcher::rescanDue(const Tracked &t, std::uint32_t now) const
{
    // Event-driven sources are looked at anew too: a hotplug event can be lost (libusb reports
    // no departure of a device it never listed), and the look is a cheap read of sysfs.
    return now - t.lastScan >= RescanMs;
}

std::vector<DeviceEvent> SourceWatcher::poll(int maxWaitMs)
{
    const std::uint32_t start = clock_.tickCount();
    const std::uint32_t limit = std::uint32_t(std::max(maxWaitMs, 0));
    std::uint32_t waited = 0; // real time spent in poll(): a fake clock does not see it
    std::vector<DeviceEvent> events;
    for (;;) {
        const std::uint32_t now = clock_.tickCount();
        for (Tracked &t : sources_) {
            const bool changed = t.source->drain();
            if (changed || rescanDue(t, now))
                look(t, events);
        }
        const std::uint32_t elapsed = std::max(now - start, waited);
        if (!events.empty() || elapsed >= limit)
            return events;
        std::uint32_t wait = limit - elapsed;
        std::vector<pollfd> fds;
        for (Tracked &t : sources_) {
            wait = std::min(wait, RescanMs - std::min(RescanMs, now - t.lastScan));
            t.source->descriptors(fds);
        }
        if (fds.empty()) {
            clock_.sleep(std::max<std::uint32_t>(wait, 1));
            continue;
        }
        const int ready = ::poll(fds.data(), nfds_t(fds.size()), int(wait));
        if (ready < 0 && errno == EINTR)
            return events; // a signal: let the caller look at why
        if (ready <= 0)
            waited += wait;
    }
}

std::vector<WatchedDevice> SourceWatcher::present() const
{
    std::vector<WatchedDevice> devices;
    for (const Tracked &t : sources_)
        for (const DeviceSource::Seen &s : t.known)
            devices.push_back(WatchedDevice{s.id, t.source->simulated(), s.where});
    return devices;
}

std::unique_ptr<DeviceWatcher> makeDeviceWatcher(Clock &clock, QByteArray id,
                                                 QString socketDirectory)
{
    std::vector<std::unique_ptr<DeviceSource>> sources;
    sources.push_back(std::make_unique<LibUsbSource>());
    sources.push_back(std::make_unique<SocketDirSource>(std::move(socketDirectory)));
    return std::make_unique<SourceWatcher>(clock, std::move(id), std::move(sources));
}
