#pragma once

#include "device/Clock.h"
#include "sim/DeviceModel.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <atomic>
#include <deque>
#include <mutex>

typedef struct _UMockdevTestbed UMockdevTestbed;
typedef struct _UMockdevIoctlBase UMockdevIoctlBase;
typedef struct _UMockdevIoctlClient UMockdevIoctlClient;
typedef struct _UMockdevIoctlData UMockdevIoctlData;

// One USB device in a umockdev testbed: its sysfs description, and (for a device that plays
// the command table) the usbfs ioctls answered by the simulator's device model.
struct UsbfsDeviceSpec {
    int bus = 200; // 200 and above: a missing node can never reach a real /dev entry
    int address = 2;
    QByteArray port;    // port path of the sysfs name ("4.2" in "200-4.2"); empty: the address
    QByteArray serial;  // empty: no serial attribute
    QByteArray product; // empty: no product attribute
    bool vendorInterface = true; // false: a communications-class interface instead
    // True: announced as an interface, so libusb neither lists it nor reports its plugs, while
    // sysfs shows it like any device (as after a plug libusb could not read).
    bool unlistedByLibusb = false;
    int packetSize = 64;
};

class UsbfsDevice
{
public:
    explicit UsbfsDevice(const UsbfsDeviceSpec &spec);
    ~UsbfsDevice();
    UsbfsDevice(const UsbfsDevice &) = delete;
    UsbfsDevice &operator=(const UsbfsDevice &) = delete;

    // Adds the device to `testbed` (the ioctl handler first); returns its sysfs path.
    QString addTo(UMockdevTestbed *testbed);
    QString devnode() const;
    // The device disappears: every later ioctl fails with ENODEV.
    void unplug();
    // Unplugged as the kernel does it: the remove event, then the sysfs entry goes.
    void removeFrom(UMockdevTestbed *testbed);
    QString sysfsName() const;
    // Another program holds the interface: claiming it fails with EBUSY.
    void setClaimedElsewhere(bool claimed) { claimedElsewhere_ = claimed; }

    // The model is touched only under the lock (the handler runs on umockdev's thread).
    template <typename F> auto withModel(F f)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return f(model_);
    }
    int submittedUrbs() const { return submitted_; }

private:
    static int onIoctl(UMockdevIoctlBase *, UMockdevIoctlClient *client, void *self);
    bool handle(UMockdevIoctlClient *client);
    void submit(UMockdevIoctlClient *client, UMockdevIoctlData *arg);
    void fillPendingIn();
    QByteArray descriptors() const;

    UsbfsDeviceSpec spec_;
    QString sysfsPath_;
    SystemClock clock_;
    DeviceModel model_;
    UMockdevIoctlBase *handler_ = nullptr;
    std::mutex mutex_;
    std::deque<QByteArray> replies_;            // transfers the device has ready to send
    std::deque<UMockdevIoctlData *> pendingIn_; // IN URBs waiting for data
    std::deque<UMockdevIoctlData *> done_;      // URBs ready to be reaped
    bool unplugged_ = false;
    bool claimedElsewhere_ = false;
    std::atomic<int> submitted_{0};
};
