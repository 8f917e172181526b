#include "device/DeviceLink.h"

#include "device/Alerts.h"
#include "device/Clock.h"
#include "device/FindDevice.h"
#include "device/OpenRetry.h"

#include <QCoreApplication>
#include <algorithm>
#include <cstring>
#include <vector>

namespace
{
QString text(const char *source)
{
    return QCoreApplication::translate("DeviceLink", source);
}
} // namespace

DeviceLink::DeviceLink(UsbApi &usb, Clock &clock, Alerts &alerts)
    : usb_(usb), clock_(clock), alerts_(alerts)
{
}

std::vector<std::uint32_t> DeviceLink::devicesWithId(const QByteArray &id, const QString &where)
{
    std::vector<std::uint32_t> found;
    std::uint32_t count = 0;
    if (usb_.getNumDevices(&count) != 0)
        return found;
    for (std::uint32_t i = 0; i < count; ++i) {
        if (!where.isEmpty() && usb_.where(i) != where)
            continue;
        char buffer[UsbApi::StringBufferSize] = {};
        if (usb_.getProductString(i, buffer, 0) != 0)
            continue;
        buffer[sizeof buffer - 1] = '\0'; // never trust the terminator
        if (QByteArray(buffer) == id)
            found.push_back(i);
    }
    return found;
}

std::uint8_t DeviceLink::findDevice(QByteArray idOrPath, std::uint32_t &index)
{
    handle_ = UsbApi::NoHandle;
    lost_ = false;
    // A place ("1-4.2", a socket file) names one unit; an identification string the first.
    const std::optional<std::uint32_t> found = findDeviceIndex(usb_, idOrPath);
    char id[UsbApi::StringBufferSize] = {};
    if (!found || usb_.getProductString(*found, id, 0) != 0) {
        openFailure_ = OpenFailure::NotConnected;
        alerts_.warning(text("KORVALIS USB not connected!"));
        return 0;
    }
    id[sizeof id - 1] = '\0'; // never trust the terminator
    index = *found;
    // After a loss the unit is looked for again at its place, with its identification string.
    foundId_ = QByteArray(id);
    where_ = usb_.where(*found);
    openFailure_ = OpenFailure::None;
    return 1;
}

std::uint8_t DeviceLink::openDevice(std::uint32_t index)
{
    // Just after a plug udev may not have granted this user the device yet.
    const int status = openWithPermissionRetry(usb_, index, clock_, &handle_);
    openFailure_ = openFailureOf(status);
    if (status != 0) {
        alerts_.warning(text("Usb device open error!"));
        handle_ = UsbApi::NoHandle;
        return 0;
    }
    lost_ = false;
    return 1;
}

void DeviceLink::closeDevice()
{
    if (handle_ != UsbApi::NoHandle && usb_.close(handle_) != 0)
        alerts_.warning(text("Unable to close device handle!"));
    handle_ = UsbApi::NoHandle;
    lost_ = false;
}

void DeviceLink::dropLostDevice()
{
    usb_.close(handle_); // the device is gone: its close status says nothing new
    handle_ = UsbApi::NoHandle;
    lost_ = true;
}

void DeviceLink::reopenLostDevice()
{
    // Quiet: this runs before every exchange while the device is away, the poll's included.
    // Only the lost unit is taken, back at its own place: another unit with the same id is
    // never taken for it (with two plugged in, the rest of a tick and the clicks queued would
    // go to the other). Where the library cannot tell places, the id decides, and only while
    // one unit alone has it.
    const std::vector<std::uint32_t> candidates = devicesWithId(foundId_, where_);
    if (where_.isEmpty() && candidates.size() != 1)
        return;
    // The departed device may still be listed for a while: every match is tried.
    for (std::uint32_t index : candidates) {
        UsbApi::Handle handle = UsbApi::NoHandle;
        if (usb_.open(index, &handle) == 0) {
            handle_ = handle;
            deviceIndex_ = index;
            lost_ = false;
            return;
        }
    }
}

std::uint8_t DeviceLink::usbWrite(const std::uint8_t *data, std::uint32_t count,
                                  std::uint32_t &written, std::uint32_t timeoutMs)
{
    std::uint32_t savedRead = 0, savedWrite = 0;
    usb_.getTimeouts(&savedRead, &savedWrite);
    usb_.setTimeouts(0, timeoutMs);
    const int status = usb_.write(handle_, data, count, &written);
    usb_.setTimeouts(savedRead, savedWrite);
    return status == 0 ? 1 : 0;
}

std::uint8_t DeviceLink::usbRead(std::uint8_t *buffer, std::uint32_t capacity, std::uint32_t &read,
                                 std::uint32_t timeoutMs)
{
    std::uint32_t savedRead = 0, savedWrite = 0;
    usb_.getTimeouts(&savedRead, &savedWrite);
    usb_.setTimeouts(timeoutMs, 0);
    const int status = usb_.read(handle_, buffer, capacity, &read);
    usb_.setTimeouts(savedRead, savedWrite);
    return status == 0 ? 1 : 0;
}

std::uint8_t DeviceLink::transact(cmd::ReplyBuffer &reply, const std::uint8_t *request,
                                  std::uint8_t minimum, std::uint8_t length)
{
    // An exchange started inside another (a user action taken while a warning box of the tick
    // waits) is the user's, not the tick's.
    const bool ofTick = tickActive_ && busy_ == 0;
    if ((ofTick && tickSilent_) || aborted_) {
        last_ = ExchangeInfo{};
        last_.deviceOpen = handle_ != UsbApi::NoHandle;
        last_.timedOut = true;
        last_.skipped = true;
        return 1; // as after a time-out: reply untouched
    }

    std::uint8_t result = 1;
    std::uint32_t written = 0, bytesRead = 0, waiting = 0;
    const std::uint32_t start = clock_.tickCount();
    busy_ = 1;
    last_ = ExchangeInfo{};
    if (lost_)
        reopenLostDevice();

    if (handle_ != UsbApi::NoHandle) {
        last_.deviceOpen = true;
        usb_.flushBuffers(handle_, 1, 1);
        result = usbWrite(request, length, written, ReplyTimeoutMs);
        // A handle whose writes fail belongs to a device that went away; without this, a
        // replugged device would stay unreachable until the program is restarted.
        if (result == 0)
            dropLostDevice();
        if (result == 1) {
            while (waiting < 1) {
                if (std::uint32_t(clock_.tickCount() - start) >= ReplyTimeoutMs || aborted_)
                    break;
                std::uint32_t queueStatus = 0;
                if (usb_.checkRxQueue(handle_, &waiting, &queueStatus) != 0) {
                    // A queue that cannot be checked belongs to a device that went away:
                    // one warning, not one per retry until the deadline.
                    alerts_.warning(text("Error Checking RX Queue"));
                    dropLostDevice();
                    result = 0;
                    break;
                }
            }
            last_.timedOut = result == 1 && waiting < 1;
            if (ofTick && last_.timedOut)
                tickSilent_ = true;
            if (result == 1 && waiting >= 1) {
                cmd::ReplyBuffer received{};
                result = usbRead(received.data(), cmd::ReplySize, bytesRead, ReplyTimeoutMs);
                // A misbehaving library must not make us copy past our buffers.
                const std::uint32_t copied = std::min<std::uint32_t>(bytesRead, cmd::ReplySize);
                std::memcpy(reply.data(), received.data(), copied);
                last_.replied = copied > 0;
                last_.bytesReceived = copied;
                // Judged by what we hold: a library claiming more than it may proves nothing.
                if (copied < minimum)
                    result = 0;
            }
        }
    }

    busy_ = 0;
    return result;
}

void DeviceLink::beginPollTick()
{
    tickActive_ = true;
    tickSilent_ = false;
}

bool DeviceLink::endPollTick()
{
    const bool silent = tickSilent_;
    tickActive_ = false;
    tickSilent_ = false;
    return silent;
}
