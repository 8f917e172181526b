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

bool SourceWatcher::rescans(const Tracked &t) const
{
    // An event-driven source needs no periodic look, with one exception: a device libusb never
    // listed (it went before libusb got to it, or libusb could not read it) is seen in sysfs
    // but its departure would never be reported. While the source holds such a device, its
    // looks are periodic; they stop once libusb lists it or sysfs no longer shows it. Nothing
    // else is looked at periodically: a lost arrival is of a unit libusb does not list, which
    // the library could not open anyway.
    return !t.source->eventDriven() ||
           std::any_of(t.known.begin(), t.known.end(),
                       [](const DeviceSource::Seen &s) { return s.untold; });
}

int SourceWatcher::rescanInMs(const Tracked &t, std::uint32_t now) const
{
    const std::uint32_t since = now - t.lastScan;
    int due = rescans(t) ? int(RescanMs - std::min(RescanMs, since)) : -1;
    const int again = t.source->lookAgainMs();
    if (again >= 0) {
        const int soon = int(std::uint32_t(again) - std::min(std::uint32_t(again), since));
        due = due < 0 ? soon : std::min(due, soon);
    }
    return due;
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
            if (changed || rescanInMs(t, now) == 0)
                look(t, events);
        }
        const std::uint32_t elapsed = std::max(now - start, waited);
        if (!events.empty() || elapsed >= limit)
            return events;
        std::uint32_t wait = limit - elapsed;
        std::vector<pollfd> fds;
        for (Tracked &t : sources_) {
            const int due = rescanInMs(t, now);
            if (due >= 0)
                wait = std::min(wait, std::uint32_t(due));
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

DeviceWatcher::WaitSet SourceWatcher::waitSet()
{
    WaitSet set;
    const std::uint32_t now = clock_.tickCount();
    for (Tracked &t : sources_) {
        t.source->descriptors(set.descriptors);
        const int due = rescanInMs(t, now);
        if (due >= 0)
            set.dueInMs = set.dueInMs < 0 ? due : std::min(set.dueInMs, due);
    }
    return set;
}

void SourceWatcher::setWakeUp(std::function<void()> wakeUp)
{
    for (Tracked &t : sources_)
        t.source->setWakeUp(wakeUp);
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
