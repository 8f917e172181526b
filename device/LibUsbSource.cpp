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
    libusb_hotplug_callback_handle handle = 0;
    const int rc = libusb_hotplug_register_callback(
        context_,
        libusb_hotplug_event(LIBUSB_HOTPLUG_EVENT_DEVICE_ARRIVED |
                             LIBUSB_HOTPLUG_EVENT_DEVICE_LEFT),
        libusb_hotplug_flag(0), LIBUSB_HOTPLUG_MATCH_ANY, LIBUSB_HOTPLUG_MATCH_ANY,
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
    libusb_exit(context_);
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
    }
    s->changed_ = true;
    return 0; // stay registered
}

void LibUsbSource::descriptors(std::vector<pollfd> &fds)
{
    if (!hotplug_)
        return;
    const libusb_pollfd **list = libusb_get_pollfds(context_);
    for (int i = 0; list && list[i]; ++i)
        fds.push_back(pollfd{list[i]->fd, list[i]->events, 0});
    libusb_free_pollfds(list);
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
        seen.push_back(
            Seen{a.name, a.id, QByteArray::number(a.bus) + ':' + QByteArray::number(a.address)});
    }
    departed_ = stillListed; // what sysfs no longer shows needs no more hiding
    return seen;
}
