#include <umockdev.h> // before Qt: GLib uses the name "signals"

#include "UsbfsDevice.h"

#include <cerrno>
#include <cstddef>
#include <cstring>
#include <sys/ioctl.h>

#include <linux/usbdevice_fs.h>

namespace
{

void addDescriptor(QByteArray &out, std::initializer_list<int> bytes)
{
    for (int b : bytes)
        out.append(char(b & 0xFF));
}

} // namespace

UsbfsDevice::UsbfsDevice(const UsbfsDeviceSpec &spec) : spec_(spec), model_(clock_) {}

UsbfsDevice::~UsbfsDevice()
{
    std::lock_guard<std::mutex> lock(mutex_);
    for (UMockdevIoctlData *d : pendingIn_)
        g_object_unref(d);
    for (UMockdevIoctlData *d : done_)
        g_object_unref(d);
    if (handler_)
        g_object_unref(handler_);
}

QString UsbfsDevice::devnode() const
{
    return QStringLiteral("/dev/bus/usb/%1/%2")
        .arg(spec_.bus, 3, 10, QLatin1Char('0'))
        .arg(spec_.address, 3, 10, QLatin1Char('0'));
}

// Device descriptor, then one configuration with one interface and a bulk IN/OUT pair.
QByteArray UsbfsDevice::descriptors() const
{
    QByteArray d;
    const int vendor = 0xF000 + spec_.address; // deliberately arbitrary ids
    addDescriptor(d, {18, 1, 0x00, 0x02, 0, 0, 0, 64, vendor & 0xFF, vendor >> 8, 0x01, 0x00, 0x00,
                      0x01, 1, 2, 3, 1});
    const int cls = spec_.vendorInterface ? 0xFF : 0x02;
    const int p = spec_.packetSize;
    addDescriptor(d, {9, 2, 32, 0, 1, 1, 0, 0x80, 50});
    addDescriptor(d, {9, 4, 0, 0, 2, cls, 0, 0, 0});
    addDescriptor(d, {7, 5, 0x81, 0x02, p & 0xFF, p >> 8, 0});
    addDescriptor(d, {7, 5, 0x01, 0x02, p & 0xFF, p >> 8, 0});
    return d;
}

QString UsbfsDevice::addTo(UMockdevTestbed *testbed)
{
    const QString node = devnode();
    const QString name = sysfsName();
    handler_ = umockdev_ioctl_base_new();
    g_signal_connect(handler_, "handle-ioctl", G_CALLBACK(&UsbfsDevice::onIoctl), this);
    GError *error = nullptr;
    // The handler must be in place before the node appears.
    umockdev_testbed_attach_ioctl(testbed, node.toLatin1().constData(), handler_, &error);
    if (error) {
        qWarning("attach_ioctl: %s", error->message);
        g_clear_error(&error);
        return QString();
    }
    QByteArray text;
    const QByteArray path =
        "/devices/korvalis-test/usb" + QByteArray::number(spec_.bus) + '/' + name.toLatin1();
    text += "P: " + path + '\n';
    text += "N: " + node.mid(5).toLatin1() + '\n';
    text += "E: DEVNAME=" + node.toLatin1() + '\n';
    text += spec_.unlistedByLibusb ? "E: DEVTYPE=usb_interface\n" : "E: DEVTYPE=usb_device\n";
    text += "E: SUBSYSTEM=usb\n";
    text += "E: BUSNUM=" + QByteArray::number(spec_.bus).rightJustified(3, '0') + '\n';
    text += "E: DEVNUM=" + QByteArray::number(spec_.address).rightJustified(3, '0') + '\n';
    text += "A: busnum=" + QByteArray::number(spec_.bus) + '\n';
    text += "A: devnum=" + QByteArray::number(spec_.address) + '\n';
    text += "A: speed=12\nA: bConfigurationValue=1\n";
    if (!spec_.serial.isEmpty())
        text += "A: serial=" + spec_.serial + '\n';
    if (!spec_.product.isEmpty())
        text += "A: product=" + spec_.product + '\n';
    text += "H: descriptors=" + descriptors().toHex() + '\n';
    if (!umockdev_testbed_add_from_string(testbed, text.constData(), &error)) {
        qWarning("add_from_string: %s", error ? error->message : "?");
        g_clear_error(&error);
        return QString();
    }
    sysfsPath_ = QStringLiteral("/sys") + QString::fromLatin1(path);
    return sysfsPath_;
}

QString UsbfsDevice::sysfsName() const
{
    return QStringLiteral("%1-%2").arg(spec_.bus).arg(
        spec_.port.isEmpty() ? QString::number(spec_.address) : QString::fromLatin1(spec_.port));
}

void UsbfsDevice::removeFrom(UMockdevTestbed *testbed)
{
    unplug();
    const QByteArray path = sysfsPath_.toLatin1();
    umockdev_testbed_uevent(testbed, path.constData(), "remove");
    umockdev_testbed_remove_device(testbed, path.constData());
}

void UsbfsDevice::unplug()
{
    std::lock_guard<std::mutex> lock(mutex_);
    unplugged_ = true;
}

int UsbfsDevice::onIoctl(UMockdevIoctlBase *, UMockdevIoctlClient *client, void *self)
{
    return static_cast<UsbfsDevice *>(self)->handle(client) ? TRUE : FALSE;
}

void UsbfsDevice::fillPendingIn()
{
    while (!pendingIn_.empty() && !replies_.empty()) {
        UMockdevIoctlData *urbData = pendingIn_.front();
        pendingIn_.pop_front();
        auto *urb = reinterpret_cast<usbdevfs_urb *>(urbData->data);
        QByteArray &reply = replies_.front();
        const int n = std::min(urb->buffer_length, int(reply.size()));
        UMockdevIoctlData *buffer = umockdev_ioctl_data_resolve(
            urbData, offsetof(usbdevfs_urb, buffer), std::size_t(urb->buffer_length), nullptr);
        if (buffer) {
            std::memcpy(buffer->data, reply.constData(), std::size_t(n));
            g_object_unref(buffer);
        }
        urb->actual_length = n;
        urb->status = 0;
        reply.remove(0, n);
        if (reply.isEmpty())
            replies_.pop_front();
        done_.push_back(urbData);
    }
}

void UsbfsDevice::submit(UMockdevIoctlClient *client, UMockdevIoctlData *arg)
{
    UMockdevIoctlData *urbData = umockdev_ioctl_data_resolve(arg, 0, sizeof(usbdevfs_urb), nullptr);
    if (!urbData) {
        umockdev_ioctl_client_complete(client, -1, EFAULT);
        return;
    }
    ++submitted_;
    auto *urb = reinterpret_cast<usbdevfs_urb *>(urbData->data);
    if (urb->endpoint & 0x80) {
        pendingIn_.push_back(urbData);
        fillPendingIn();
    } else {
        UMockdevIoctlData *buffer = umockdev_ioctl_data_resolve(
            urbData, offsetof(usbdevfs_urb, buffer), std::size_t(urb->buffer_length), nullptr);
        if (buffer) {
            const DeviceModel::Reply reply =
                model_.handle(buffer->data, std::size_t(urb->buffer_length));
            if (reply.send && !reply.bytes.isEmpty())
                replies_.push_back(reply.bytes);
            g_object_unref(buffer);
        }
        urb->actual_length = urb->buffer_length;
        urb->status = 0;
        done_.push_back(urbData);
        fillPendingIn();
    }
    umockdev_ioctl_client_complete(client, 0, 0);
}

bool UsbfsDevice::handle(UMockdevIoctlClient *client)
{
    std::lock_guard<std::mutex> lock(mutex_);
    const unsigned long request = umockdev_ioctl_client_get_request(client);
    UMockdevIoctlData *arg = umockdev_ioctl_client_get_arg(client);
    if (unplugged_) {
        umockdev_ioctl_client_complete(client, -1, ENODEV);
        return true;
    }
    switch (request) {
    case USBDEVFS_GET_CAPABILITIES: {
        UMockdevIoctlData *caps = umockdev_ioctl_data_resolve(arg, 0, sizeof(__u32), nullptr);
        const __u32 value = USBDEVFS_CAP_BULK_CONTINUATION | USBDEVFS_CAP_NO_PACKET_SIZE_LIM;
        if (caps) {
            std::memcpy(caps->data, &value, sizeof value);
            g_object_unref(caps);
        }
        umockdev_ioctl_client_complete(client, 0, 0);
        return true;
    }
    case USBDEVFS_DISCONNECT_CLAIM:
    case USBDEVFS_CLAIMINTERFACE:
        umockdev_ioctl_client_complete(client, claimedElsewhere_ ? -1 : 0,
                                       claimedElsewhere_ ? EBUSY : 0);
        return true;
    case USBDEVFS_GETDRIVER:
        umockdev_ioctl_client_complete(client, -1, ENODATA); // no kernel driver bound
        return true;
    case USBDEVFS_RELEASEINTERFACE:
    case USBDEVFS_SETINTERFACE:
    case USBDEVFS_CLEAR_HALT:
    case USBDEVFS_IOCTL: // re-attaching the (absent) kernel driver
        umockdev_ioctl_client_complete(client, 0, 0);
        return true;
    case USBDEVFS_SUBMITURB:
        submit(client, arg);
        return true;
    case USBDEVFS_DISCARDURB: {
        unsigned long address = 0;
        std::memcpy(&address, arg->data, std::min<std::size_t>(sizeof address, arg->data_len));
        for (auto it = pendingIn_.begin(); it != pendingIn_.end(); ++it) {
            if ((*it)->client_addr != address)
                continue;
            auto *urb = reinterpret_cast<usbdevfs_urb *>((*it)->data);
            urb->status = -ENOENT;
            urb->actual_length = 0;
            done_.push_back(*it);
            pendingIn_.erase(it);
            umockdev_ioctl_client_complete(client, 0, 0);
            return true;
        }
        umockdev_ioctl_client_complete(client, -1, EINVAL);
        return true;
    }
    case USBDEVFS_REAPURB:
    case USBDEVFS_REAPURBNDELAY: {
        if (done_.empty()) {
            umockdev_ioctl_client_complete(client, -1, EAGAIN);
            return true;
        }
        UMockdevIoctlData *urbData = done_.front();
        done_.pop_front();
        UMockdevIoctlData *slot = umockdev_ioctl_data_resolve(arg, 0, sizeof(void *), nullptr);
        if (slot) {
            umockdev_ioctl_data_set_ptr(slot, 0, urbData);
            g_object_unref(slot);
        }
        umockdev_ioctl_client_complete(client, 0, 0);
        g_object_unref(urbData);
        return true;
    }
    default:
        umockdev_ioctl_client_complete(client, -1, ENOTTY);
        return true;
    }
}
