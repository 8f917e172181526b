// The libusb backend on umockdev testbeds: sysfs descriptions of USB devices whose usbfs ioctls
// are answered by the simulator's device model.
#ifdef KORVALIS_HAVE_UMOCKDEV
#include <umockdev.h> // before Qt: GLib uses the name "signals"
#endif
#include "RecordingAlerts.h"
#include "device/Clock.h"
#include "device/Commands.h"
#include "device/DeviceLink.h"
#include "device/LibUsbApi.h"

#include <QtTest>

#ifdef KORVALIS_HAVE_UMOCKDEV
#include "UsbfsDevice.h"

#include <QProcess>
#include <ctime>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace
{

using Specs = QList<UsbfsDeviceSpec>;

UsbfsDeviceSpec spec(int address, QByteArray serial, QByteArray product = "KORVALIS",
                     bool vendor = true)
{
    UsbfsDeviceSpec s;
    s.address = address;
    s.serial = std::move(serial);
    s.product = std::move(product);
    s.vendorInterface = vendor;
    return s;
}

double cpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

// What a fresh device answers to `requests`, the last reply cut to what one read delivers.
QByteArray expectedReply(const QList<cmd::Request> &requests)
{
    SystemClock clock;
    DeviceModel reference(clock);
    QByteArray last;
    for (const cmd::Request &r : requests)
        last = reference.handle(r.bytes.data(), r.length).bytes;
    return last.left(cmd::ReplySize);
}

QByteArray bytesOf(const cmd::ReplyBuffer &reply, int n)
{
    return QByteArray(reinterpret_cast<const char *>(reply.data()), n);
}

} // namespace
#endif

class LibUsbTest : public QObject
{
    Q_OBJECT

#ifdef KORVALIS_HAVE_UMOCKDEV
    UMockdevTestbed *testbed_ = nullptr;
    std::vector<std::unique_ptr<UsbfsDevice>> devices_;
    SystemClock clock_;
    RecordingAlerts alerts_;
    std::unique_ptr<LibUsbApi> usb_;
    std::unique_ptr<DeviceLink> link_;

    UsbfsDevice &add(const UsbfsDeviceSpec &s)
    {
        devices_.push_back(std::make_unique<UsbfsDevice>(s));
        const QString path = devices_.back()->addTo(testbed_);
        if (path.isEmpty())
            qFatal("the testbed refused a device");
        return *devices_.back();
    }
    // One device "2023", found and opened through DeviceLink.
    UsbfsDevice &openOne()
    {
        UsbfsDevice &d = add(spec(2, "2023"));
        std::uint32_t index = 99;
        if (!link_->findDevice(DeviceLink::deviceIdString, index) || !link_->openDevice(index))
            qFatal("device 2023 did not open: %s", qPrintable(alerts_.shown.join(", ")));
        return d;
    }
    int requestsSeen(int device)
    {
        return devices_[std::size_t(device)]->withModel(
            [](DeviceModel &m) { return m.requestCount(); });
    }
#endif

private slots:
    void initTestCase()
    {
#ifndef KORVALIS_HAVE_UMOCKDEV
        QSKIP("umockdev (libumockdev-dev) is not installed");
#else
        // The preload library tells it is active only once a testbed exists.
        UMockdevTestbed *probe = umockdev_testbed_new();
        const bool active = umockdev_in_mock_environment();
        g_object_unref(probe);
        if (!active)
            QSKIP("the umockdev preload library is not active in this process");
#endif
    }

#ifdef KORVALIS_HAVE_UMOCKDEV
    void init()
    {
        testbed_ = umockdev_testbed_new();
        alerts_.shown.clear();
        usb_ = std::make_unique<LibUsbApi>();
        link_ = std::make_unique<DeviceLink>(*usb_, clock_, alerts_);
    }
    void cleanup()
    {
        link_->closeDevice();
        link_.reset();
        usb_.reset(); // before the devices it talks to
        g_object_unref(testbed_);
        devices_.clear();
    }

    void discovery_data()
    {
        QTest::addColumn<Specs>("specs");
        QTest::addColumn<int>("count");  // devices the library counts
        QTest::addColumn<int>("opened"); // device that gets the request; -1: none found
        QTest::newRow("by serial") << Specs{spec(2, "2023")} << 1 << 0;
        QTest::newRow("by product, no serial") << Specs{spec(2, "", "2023")} << 1 << 0;
        QTest::newRow("serial before product")
            << Specs{spec(2, "7", "2023"), spec(3, "2023", "KORVALIS")} << 2 << 1;
        QTest::newRow("two 2023: lowest wins")
            << Specs{spec(4, "2023"), spec(3, "2023")} << 2 << 1; // port 200-3 sorts first
        QTest::newRow("near misses and a non-vendor device")
            << Specs{spec(2, "2023 "), spec(3, "02023"), spec(4, "2023", "KORVALIS", false)} << 2
            << -1;
    }
    void discovery()
    {
        QFETCH(Specs, specs);
        QFETCH(int, count);
        QFETCH(int, opened);
        for (const UsbfsDeviceSpec &s : specs)
            add(s);
        std::uint32_t n = 0;
        QCOMPARE(usb_->getNumDevices(&n), 0);
        QCOMPARE(int(n), count);
        std::uint32_t index = 0;
        const bool found = link_->findDevice(DeviceLink::deviceIdString, index);
        QCOMPARE(found, opened >= 0);
        if (!found) {
            QCOMPARE(alerts_.shown, QStringList{"KORVALIS USB not connected!"});
            return;
        }
        // The listing names where the device sits, for korvalis-cli list.
        QVERIFY(usb_->location(index).startsWith(QLatin1String("/sys/bus/usb/devices/")));
        QVERIFY(usb_->location(n).isEmpty());
        QCOMPARE(usb_->where(index),
                 QStringLiteral("200-%1").arg(specs[opened].address)); // bus and port path
        QVERIFY(usb_->where(n).isEmpty());
        QVERIFY(link_->openDevice(index));
        cmd::ReplyBuffer reply{};
        QCOMPARE(link_->transact(reply, cmd::settingsRead(cmd::SettingsReplyLength)), 1);
        for (int i = 0; i < int(specs.size()); ++i)
            QCOMPARE(requestsSeen(i), i == opened ? 1 : 0);
    }

    void exchanges()
    {
        openOne();
        const std::uint8_t value = DeviceModel::factorySettings()[6] == 0 ? 1 : 0;
        const QList<cmd::Request> requests = {cmd::registerWrite(1, value),
                                              cmd::settingsRead(cmd::SettingsReplyLength)};
        cmd::ReplyBuffer reply{};
        QCOMPARE(link_->transact(reply, requests[0]), 1);
        QCOMPARE(reply[0], requests[0].code());
        reply = {};
        QCOMPARE(link_->transact(reply, requests[1]), 1);
        QCOMPARE(bytesOf(reply, cmd::SettingsReplyLength),
                 expectedReply(requests).left(cmd::SettingsReplyLength));
        QCOMPARE(reply[2 + 6], value);

        // An EDID chunk carries no echo: its bytes must arrive as the device sent them.
        const cmd::Request chunk = cmd::edidDataRead(8);
        reply = {};
        QCOMPARE(link_->transact(reply, chunk), 1);
        QVERIFY(link_->lastExchange().replied);
        const QByteArray expected = expectedReply({chunk});
        QCOMPARE(bytesOf(reply, int(expected.size())), expected);
    }

    void longReplyLeavesNothingBehind()
    {
        UsbfsDevice &d = openOne();
        d.withModel([](DeviceModel &m) {
            DeviceModel::Fault f;
            f.kind = DeviceModel::FaultKind::LongReply;
            f.count = 1;
            m.addFault(f);
            return 0;
        });
        const cmd::Request read = cmd::settingsRead(cmd::SettingsReplyLength);
        cmd::ReplyBuffer reply{};
        QCOMPARE(link_->transact(reply, read), 1);
        QCOMPARE(link_->lastExchange().bytesReceived, std::uint32_t(cmd::ReplySize));
        // The 16 bytes beyond 64 must not be taken for the next reply.
        reply = {};
        QCOMPARE(link_->transact(reply, read), 1);
        QCOMPARE(link_->lastExchange().bytesReceived, std::uint32_t(cmd::SettingsReplyLength));
        QCOMPARE(bytesOf(reply, cmd::SettingsReplyLength),
                 expectedReply({read}).left(cmd::SettingsReplyLength));
    }

    void silentDeviceTimesOutWithoutSpinning()
    {
        UsbfsDevice &d = openOne();
        d.withModel([](DeviceModel &m) {
            m.addFault(DeviceModel::Fault{});
            return 0;
        });
        cmd::ReplyBuffer reply{};
        reply.fill(0xAA);
        QElapsedTimer wall;
        wall.start();
        const double cpuBefore = cpuSeconds();
        QCOMPARE(link_->transact(reply, cmd::settingsRead(cmd::SettingsReplyLength)), 1);
        const double seconds = double(wall.elapsed()) / 1000.0;
        const double share = (cpuSeconds() - cpuBefore) / seconds;
        qInfo("silent device: transact took %.2f s, CPU share %.1f %% (both threads of the "
              "test: the backend and the device)",
              seconds, share * 100.0);
        QVERIFY(link_->lastExchange().timedOut);
        QCOMPARE(reply[0], std::uint8_t(0xAA));
        QVERIFY2(seconds >= 3.9 && seconds < 5.0, qPrintable(QString::number(seconds)));
        // Each empty queue check waits for data (about 10 ms) in one IN transfer. (Under umockdev
        // the node always polls ready, so libusb's own reaping adds CPU that usbfs would not.)
        const int transfers = d.submittedUrbs();
        qInfo("silent device: %d transfers submitted", transfers);
        QVERIFY2(transfers > 1 && transfers < 4000 / LibUsbApi::QueueWaitMs + 20,
                 qPrintable(QString::number(transfers)));
    }

    void unplugBetweenExchanges()
    {
        UsbfsDevice &d = openOne();
        const cmd::Request read = cmd::settingsRead(cmd::SettingsReplyLength);
        cmd::ReplyBuffer reply{};
        QCOMPARE(link_->transact(reply, read), 1);
        d.unplug();
        umockdev_testbed_uevent(testbed_, "/sys/devices/korvalis-test/usb200/200-2", "remove");
        QCOMPARE(link_->transact(reply, read), 0);
        QVERIFY(!link_->lastExchange().replied);
        // The dead handle is dropped. Its stale entry (still in sysfs) opens no more, and
        // another unit with the id, at another port, is never taken for it.
        QVERIFY(!link_->isOpen() && link_->deviceLost());
        add(spec(4, "2023"));
        QCOMPARE(link_->transact(reply, read), 1);
        QVERIFY(!link_->lastExchange().deviceOpen);
        // Plugged in again at its port: the next exchange opens it, at its new address.
        d.removeFrom(testbed_);
        UsbfsDeviceSpec back = spec(3, "2023");
        back.port = "2";
        add(back);
        QCOMPARE(link_->transact(reply, read), 1);
        QVERIFY(link_->lastExchange().replied);
        QCOMPARE(requestsSeen(2), 1);
        QCOMPARE(requestsSeen(1), 0);
        QVERIFY(alerts_.shown.isEmpty());
    }

    void inUseByAnotherProgram()
    {
        UsbfsDevice &d = add(spec(2, "2023"));
        d.setClaimedElsewhere(true);
        std::uint32_t index = 0;
        QVERIFY(link_->findDevice(DeviceLink::deviceIdString, index));
        QVERIFY(!link_->openDevice(index));
        QCOMPARE(link_->openFailure(), OpenFailure::InUse);
        QCOMPARE(alerts_.shown, QStringList{"Usb device open error!"});
    }

    // The node is root's and read-only, as without the udev rule; the probe runs without the
    // capability that would let root open it anyway.
    void noPermission()
    {
        add(spec(2, "2023"));
        const QByteArray node =
            QByteArray(umockdev_testbed_get_root_dir(testbed_)) + "/dev/bus/usb/200/002";
        QCOMPARE(::chmod(node.constData(), 0444), 0);
        QProcess probe;
        probe.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        if (::geteuid() == 0)
            probe.start("setpriv", {"--bounding-set=-dac_override,-dac_read_search,-fowner",
                                    "--inh-caps=-all", KORVALIS_OPEN_PROBE});
        else
            probe.start(KORVALIS_OPEN_PROBE, QStringList());
        QVERIFY(probe.waitForFinished(30000));
        QCOMPARE(probe.exitCode(), 0);
        const QString out = QString::fromLocal8Bit(probe.readAllStandardOutput());
        QCOMPARE(out, QStringLiteral("warning Usb device open error!\nreason %1\n")
                          .arg(int(OpenFailure::NoPermission)));
    }
#endif
};

QTEST_GUILESS_MAIN(LibUsbTest)
#include "LibUsbTest.moc"
