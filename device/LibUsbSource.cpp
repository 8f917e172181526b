#include "device/LibUsbSource.h"

#include "device/LibUsbApi.h"

#include <algorithm>
#include <libusb.h>
#include <poll.h>

LibUsbSource::LibUsbSource(Mode mode)
{
    if (mode == Mode::Rescan || !libusb_has_capability(LIBUSB_CAP_HAS_HOTPLUG))
        return;
    if (libusb_init(&context_) != LIBUSB_SUCCESS) {
        context_ = nullptr;
        return;
    }
    // The descriptors libusb has now, and from here on each one it adds or removes. No
    // transfer ever runs on this context, so it has no time-outs of its own to be woken for.
    libusb_set_pollfd_notifiers(context_, &LibUsbSource::onPollfdAdded,
                                &LibUsbSource::onPollfdRemoved, this);
    if (const libusb_pollfd **list = libusb_get_pollfds(context_)) {
        for (int i = 0; list[i]; ++i)
            onPollfdAdded(list[i]->fd, list[i]->events, this);
        libusb_free_pollfds(list);
    }
    // Enumerated: the devices attached now are listed as arrived, so that a device libusb
    // does not list can be told from the rest.
    libusb_hotplug_callback_handle handle = 0;
    const int rc = libusb_hotplug_register_callback(
        context_,
        libusb_hotplug_event(LIBUSB_HOTPLUG_EVENT_DEVICE_ARRIVED |
                             LIBUSB_HOTPLUG_EVENT_DEVICE_LEFT),
        LIBUSB_HOTPLUG_ENUMERATE, LIBUSB_HOTPLUG_MATCH_ANY, LIBUSB_HOTPLUG_MATCH_ANY,
        LIBUSB_HOTPLUG_MATCH_ANY,
        [](libusb_context *c, libusb_device *d, libusb_hotplug_event e, void *self) {
            return onHotplug(c, d, int(e), self);
        },
        this, &handle);
    hotplug_ = rc == LIBUSB_SUCCESS;
    callback_ = handle;
}

LibUsbSource::~LibUsbSource()
{
    if (!context_)
        return;
    if (hotplug_)
        libusb_hotplug_deregister_callback(context_, callback_);
    libusb_set_pollfd_notifiers(context_, nullptr, nullptr, nullptr); // none during the exit
    libusb_exit(context_);
}

void LibUsbSource::onPollfdAdded(int fd, short events, void *self)
{
    static_cast<LibUsbSource *>(self)->follow(fd, events, true);
}

void LibUsbSource::onPollfdRemoved(int fd, void *self)
{
    static_cast<LibUsbSource *>(self)->follow(fd, 0, false);
}

void LibUsbSource::follow(int fd, short events, bool added)
{
    std::function<void()> wakeUp;
    {
        const std::lock_guard<std::mutex> lock(fdsMutex_);
        fds_.erase(std::remove_if(fds_.begin(), fds_.end(),
                                  [fd](const std::pair<int, short> &p) { return p.first == fd; }),
                   fds_.end());
        if (added)
            fds_.emplace_back(fd, events);
        wakeUp = wakeUp_;
    }
    if (wakeUp)
        wakeUp();
}

void LibUsbSource::setWakeUp(std::function<void()> wakeUp)
{
    const std::lock_guard<std::mutex> lock(fdsMutex_);
    wakeUp_ = std::move(wakeUp);
}

int LibUsbSource::onHotplug(libusb_context *, libusb_device *device, int event, void *self)
{
    // Runs inside libusb's event handling, on the thread that called drain(): note, never act.
    auto *s = static_cast<LibUsbSource *>(self);
    const std::pair<int, int> at{libusb_get_bus_number(device), libusb_get_device_address(device)};
    auto &gone = s->departed_;
    gone.erase(std::remove(gone.begin(), gone.end(), at), gone.end());
    if (event == LIBUSB_HOTPLUG_EVENT_DEVICE_LEFT) {
        if (int(gone.size()) >= MaxDeparted)
            gone.erase(gone.begin());
        gone.push_back(at);
        s->listed_.erase(at);
    } else {
        s->listed_.insert(at);
    }
    s->changed_ = true;
    return 0; // stay registered
}

void LibUsbSource::descriptors(std::vector<pollfd> &fds)
{
    if (!hotplug_)
        return;
    const std::lock_guard<std::mutex> lock(fdsMutex_);
    for (const auto &[fd, events] : fds_)
        fds.push_back(pollfd{fd, events, 0});
}

bool LibUsbSource::drain()
{
    if (!hotplug_)
        return false;
    timeval none{0, 0};
    libusb_handle_events_timeout_completed(context_, &none, nullptr);
    return std::exchange(changed_, false);
}

std::vector<DeviceSource::Seen> LibUsbSource::scan()
{
    const QList<LibUsbApi::Attached> attached = LibUsbApi::attachedDevices();
    std::vector<Seen> seen;
    std::vector<std::pair<int, int>> stillListed;
    for (const LibUsbApi::Attached &a : attached) {
        const std::pair<int, int> at{a.bus, a.address};
        if (std::find(departed_.begin(), departed_.end(), at) != departed_.end()) {
            stillListed.push_back(at);
            continue;
        }
        Seen s{a.name, a.id, QByteArray::number(a.bus) + ':' + QByteArray::number(a.address)};
        // Shown by sysfs but not listed by libusb (it went before libusb got to its plug, or
        // libusb could not read it): libusb will not report its departure either. Usually
        // libusb is only a moment behind, and its arrival callback follows.
        s.untold = hotplug_ && listed_.count(at) == 0;
        seen.push_back(std::move(s));
    }
    departed_ = stillListed; // what sysfs no longer shows needs no more hiding
    return seen;
}
