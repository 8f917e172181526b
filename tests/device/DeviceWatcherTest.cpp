// The device watcher on real libusb (umockdev testbeds) and on a socket directory: arrival,
// departure, a replug at a new address, what a caller's event loop waits for (descriptors, and
// rescans only where nothing tells), and the permission granted late after a plug.
#include <umockdev.h> // before Qt: GLib uses the name "signals"

#include "FakeClock.h"
#include "UsbfsDevice.h"
#include "device/LibUsbSource.h"
#include "device/OpenFailure.h"
#include "device/SocketDirSource.h"
#include "device/SourceWatcher.h"

#include <QDeadlineTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <cstring>
#include <memory>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace
{

using Events = QStringList; // "arrival 2023 real 200-4.2"

Events describe(const std::vector<DeviceEvent> &events)
{
    Events out;
    for (const DeviceEvent &e : events)
        out << QStringLiteral("%1 %2 %3 %4")
                   .arg(e.kind == DeviceEvent::Arrival ? "arrival" : "departure",
                        QString::fromLatin1(e.device.id), e.device.simulated ? "simulated" : "real",
                        e.device.where);
    return out;
}

UsbfsDeviceSpec unit(int address, QByteArray port, QByteArray serial = "2023")
{
    UsbfsDeviceSpec s;
    s.address = address;
    s.port = std::move(port);
    s.serial = std::move(serial);
    s.product = "KORVALIS";
    return s;
}

// A listening socket, as the simulator serves a device (`listening` false: bound only, as
// between the simulator's bind() and its listen()).
class Listener
{
public:
    explicit Listener(const QString &path, bool listening = true) : path_(QFile::encodeName(path))
    {
        fd_ = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
        sockaddr_un a{};
        a.sun_family = AF_UNIX;
        std::memcpy(a.sun_path, path_.constData(), std::size_t(path_.size()));
        if (::bind(fd_, reinterpret_cast<sockaddr *>(&a), sizeof a) != 0)
            qFatal("cannot bind at %s", path_.constData());
        if (listening)
            listen();
    }
    void listen()
    {
        if (::listen(fd_, 1) != 0)
            qFatal("cannot listen at %s", path_.constData());
    }
    ~Listener()
    {
        ::close(fd_);
        ::unlink(path_.constData());
    }

private:
    QByteArray path_;
    int fd_ = -1;
};

} // namespace

class DeviceWatcherTest : public QObject
{
    Q_OBJECT

    UMockdevTestbed *testbed_ = nullptr;
    std::vector<std::unique_ptr<UsbfsDevice>> devices_;
    FakeClock clock_;

    UsbfsDevice &add(const UsbfsDeviceSpec &s)
    {
        devices_.push_back(std::make_unique<UsbfsDevice>(s));
        if (devices_.back()->addTo(testbed_).isEmpty())
            qFatal("the testbed refused a device");
        return *devices_.back();
    }
    std::unique_ptr<SourceWatcher> usbWatcher(bool hotplug)
    {
        auto source = std::make_unique<LibUsbSource>(hotplug ? LibUsbSource::Mode::Auto
                                                             : LibUsbSource::Mode::Rescan);
        if (hotplug && !source->usesHotplug())
            return nullptr;
        std::vector<std::unique_ptr<DeviceSource>> sources;
        sources.push_back(std::move(source));
        return std::make_unique<SourceWatcher>(clock_, "2023", std::move(sources));
    }
    // The next `n` events, from the descriptors alone: fake time never moves, so no rescan
    // can find them.
    Events byEvents(DeviceWatcher &w, int n = 1)
    {
        const std::uint32_t before = clock_.now;
        QDeadlineTimer deadline(30000);
        Events seen;
        while (seen.size() < n && !deadline.hasExpired())
            seen += describe(w.poll(1000));
        if (clock_.now != before)
            return {QStringLiteral("rescanned")};
        return seen;
    }
    // What the watcher reports within one second (of fake time where it rescans): for
    // "nothing more comes".
    Events within1s(DeviceWatcher &w)
    {
        const std::uint32_t before = clock_.now;
        const Events seen = describe(w.poll(1000));
        if (clock_.now - before > 1000)
            return {QStringLiteral("late")};
        return seen;
    }
    // The next `n` events. Kernel-side events under umockdev may take longer than a second of
    // real time on a loaded machine, so they get up to 30 s; a rescan must still find them
    // within one second of fake time.
    Events next(DeviceWatcher &w, int n = 1)
    {
        const std::uint32_t before = clock_.now;
        QDeadlineTimer deadline(30000);
        Events seen;
        for (bool rescanned = false; seen.size() < n && !deadline.hasExpired();) {
            seen += describe(w.poll(1000));
            // The departure of a device libusb never listed (it went before libusb got to it)
            // comes from no event: the look that follows within the second finds it.
            if (seen.size() < n && !rescanned) {
                clock_.advance(SourceWatcher::RescanMs);
                rescanned = true;
            }
        }
        if (clock_.now - before > 1000)
            return {QStringLiteral("late")};
        return seen;
    }

private slots:
    void initTestCase()
    {
        UMockdevTestbed *probe = umockdev_testbed_new();
        const bool active = umockdev_in_mock_environment();
        g_object_unref(probe);
        if (!active)
            QSKIP("the umockdev preload library is not active in this process");
    }
    void init() { testbed_ = umockdev_testbed_new(); }
    void cleanup()
    {
        g_object_unref(testbed_);
        devices_.clear();
    }

    void usbPlugs_data()
    {
        QTest::addColumn<bool>("hotplug");
        QTest::newRow("libusb hotplug") << true;
        QTest::newRow("sysfs rescan") << false;
    }
    void usbPlugs()
    {
        QFETCH(bool, hotplug);
        add(unit(3, "1", "7777")); // another kind of unit: never reported
        std::unique_ptr<SourceWatcher> w = usbWatcher(hotplug);
        if (!w)
            QSKIP("libusb offers no hotplug events here");
        QVERIFY(w->present().empty());

        UsbfsDevice &first = add(unit(5, "4.2"));
        // Told by the descriptors alone where libusb has hotplug.
        QCOMPARE(hotplug ? byEvents(*w) : next(*w), Events{"arrival 2023 real 200-4.2"});
        // A repeated notification of the same device is no second arrival.
        umockdev_testbed_uevent(testbed_, "/sys/devices/korvalis-test/usb200/200-4.2", "add");
        QCOMPARE(within1s(*w), Events{});

        // Replugged into the same port: a new address, so it leaves and arrives again.
        first.removeFrom(testbed_);
        add(unit(6, "4.2"));
        // The removal and the new device may come in one look or two.
        QCOMPARE(next(*w, 2), (Events{"departure 2023 real 200-4.2", "arrival 2023 real 200-4.2"}));
        QCOMPARE(int(w->present().size()), 1);

        devices_.back()->removeFrom(testbed_);
        QCOMPARE(next(*w), Events{"departure 2023 real 200-4.2"});
        QCOMPARE(within1s(*w), Events{});
        QVERIFY(w->present().empty());
    }

    // The remove event can come while sysfs still shows the device: it is gone all the same,
    // and it stays gone when sysfs catches up.
    void departureBeforeSysfsCatchesUp()
    {
        std::unique_ptr<SourceWatcher> w = usbWatcher(true);
        if (!w)
            QSKIP("libusb offers no hotplug events here");
        UsbfsDevice &d = add(unit(5, "2"));
        QCOMPARE(next(*w), Events{"arrival 2023 real 200-2"});
        const QByteArray path = "/sys/devices/korvalis-test/usb200/200-2";
        umockdev_testbed_uevent(testbed_, path.constData(), "remove");
        QCOMPARE(next(*w), Events{"departure 2023 real 200-2"});
        d.unplug();
        umockdev_testbed_remove_device(testbed_, path.constData());
        add(unit(9, "3")); // another look, once sysfs no longer shows the first
        QCOMPARE(next(*w), Events{"arrival 2023 real 200-3"});
        QCOMPARE(int(w->present().size()), 1);
    }

    // A unit libusb does not list is still seen at the next look (another unit's plug here)
    // and, since libusb would never report its departure, looked for every second while it
    // is there; then the looks stop.
    void unitLibusbDoesNotList()
    {
        std::unique_ptr<SourceWatcher> w = usbWatcher(true);
        if (!w)
            QSKIP("libusb offers no hotplug events here");
        UsbfsDeviceSpec hidden = unit(7, "3");
        hidden.unlistedByLibusb = true;
        UsbfsDevice &unlisted = add(hidden);
        QCOMPARE(w->waitSet().dueInMs, -1); // nothing has looked yet
        add(unit(5, "2"));
        QCOMPARE(next(*w, 2), (Events{"arrival 2023 real 200-2", "arrival 2023 real 200-3"}));
        const int due = w->waitSet().dueInMs;
        QVERIFY2(due > 0 && due <= int(SourceWatcher::RescanMs), qPrintable(QString::number(due)));

        unlisted.removeFrom(testbed_);
        QCOMPARE(next(*w), Events{"departure 2023 real 200-3"});
        QCOMPARE(w->waitSet().dueInMs, -1);
        QCOMPARE(int(w->present().size()), 1);
    }

    // What a caller's event loop waits for: descriptors of event-driven sources, and a
    // rescan within a second only for a source that cannot tell.
    void waitSet_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<bool>("descriptors");
        QTest::addColumn<bool>("rescans");
        QTest::newRow("libusb hotplug") << "hotplug" << true << false;
        QTest::newRow("sysfs rescan") << "rescan" << false << true;
        QTest::newRow("socket directory") << "dir" << true << false;
        QTest::newRow("socket directory not made yet") << "dir later" << true << false;
        QTest::newRow("socket directory without its parent") << "no parent" << false << true;
    }
    void waitSet()
    {
        QFETCH(QString, source);
        QFETCH(bool, descriptors);
        QFETCH(bool, rescans);
        QTemporaryDir top;
        std::unique_ptr<SourceWatcher> w;
        if (source == "hotplug" || source == "rescan") {
            w = usbWatcher(source == "hotplug");
            if (!w)
                QSKIP("libusb offers no hotplug events here");
        } else {
            QString dir = top.path() + "/usb";
            if (source == "dir")
                QCOMPARE(::mkdir(QFile::encodeName(dir), 0700), 0);
            if (source == "no parent")
                dir = top.path() + "/none/usb";
            std::vector<std::unique_ptr<DeviceSource>> sources;
            sources.push_back(std::make_unique<SocketDirSource>(dir));
            w = std::make_unique<SourceWatcher>(clock_, "2023", std::move(sources));
        }
        for (int look = 0; look < 2; ++look) { // right after the first look, and after a poll
            const DeviceWatcher::WaitSet set = w->waitSet();
            QCOMPARE(!set.descriptors.empty(), descriptors);
            for (const pollfd &p : set.descriptors)
                QVERIFY(p.fd >= 0 && (p.events & POLLIN));
            QCOMPARE(set.dueInMs, rescans ? int(SourceWatcher::RescanMs) : -1);
            QCOMPARE(describe(w->poll(0)), Events{});
        }
    }

    void rescanPeriod()
    {
        std::unique_ptr<SourceWatcher> w = usbWatcher(false);
        add(unit(5, "2"));
        QCOMPARE(describe(w->poll(SourceWatcher::RescanMs - 1)), Events{});
        QCOMPARE(describe(w->poll(1)), Events{"arrival 2023 real 200-2"});
    }

    void socketPlugs_data()
    {
        QTest::addColumn<bool>("directoryLate"); // made after the watcher started
        QTest::newRow("directory watched") << false;
        QTest::newRow("directory appears later") << true;
    }
    void socketPlugs()
    {
        QFETCH(bool, directoryLate);
        QTemporaryDir top;
        const QString dir = top.path() + "/usb";
        if (!directoryLate)
            QCOMPARE(::mkdir(QFile::encodeName(dir), 0700), 0);
        std::vector<std::unique_ptr<DeviceSource>> sources;
        sources.push_back(std::make_unique<SocketDirSource>(dir));
        SourceWatcher w(clock_, "2023", std::move(sources));
        if (directoryLate) {
            // Made, then made trustworthy: its parent's watch tells of both.
            QCOMPARE(::mkdir(QFile::encodeName(dir), 0755), 0);
            QCOMPARE(within1s(w), Events{});
            QCOMPARE(::chmod(QFile::encodeName(dir), 0700), 0);
        }
        // Every change is told by the descriptors alone: no rescan is needed.
        const QString path = dir + "/2023.sock";
        auto device = std::make_unique<Listener>(path);
        Listener other(dir + "/2024.sock");
        QCOMPARE(byEvents(w), Events{"arrival 2023 simulated " + path});
        QCOMPARE(within1s(w), Events{});

        // The simulator restarted: a new socket at the same place is a replug.
        device.reset();
        device = std::make_unique<Listener>(path);
        QCOMPARE(byEvents(w, 2),
                 (Events{"departure 2023 simulated " + path, "arrival 2023 simulated " + path}));

        device.reset();
        QCOMPARE(byEvents(w), Events{"departure 2023 simulated " + path});
        QVERIFY(w.present().empty());
    }

    // A socket is reported once its server listens: the file appears at bind(), a moment
    // before listen(), and an open then would be refused. Nothing tells of the listen(), so
    // the watcher looks again in a moment. A socket nobody takes up within the grace is
    // reported all the same (a stale one, as before).
    void socketReportedOnceListening()
    {
        QTemporaryDir top;
        const QString dir = top.path() + "/usb";
        QCOMPARE(::mkdir(QFile::encodeName(dir), 0700), 0);
        std::vector<std::unique_ptr<DeviceSource>> sources;
        sources.push_back(std::make_unique<SocketDirSource>(dir));
        SourceWatcher w(clock_, "2023", std::move(sources));
        const QString path = dir + "/2023.sock";

        auto device = std::make_unique<Listener>(path, false);
        QCOMPARE(describe(w.poll(0)), Events{}); // its creation is read at once: held back
        QCOMPARE(w.waitSet().dueInMs, SocketDirSource::ListenRetryMs);
        device->listen();
        clock_.advance(SocketDirSource::ListenRetryMs);
        QCOMPARE(describe(w.poll(0)), Events{"arrival 2023 simulated " + path});
        QCOMPARE(w.waitSet().dueInMs, -1);
        device.reset();
        QCOMPARE(describe(w.poll(0)), Events{"departure 2023 simulated " + path});

        Listener stale(path, false);
        QCOMPARE(describe(w.poll(0)), Events{});
        QTest::qSleep(SocketDirSource::ListenGraceMs + 50);
        clock_.advance(SocketDirSource::ListenRetryMs);
        QCOMPARE(describe(w.poll(0)), Events{"arrival 2023 simulated " + path});
        QCOMPARE(w.waitSet().dueInMs, -1);
    }

    // The node is root's and read-only until the probe's fake clock has run `grantAfterMs`;
    // the probe runs without the capability that would let root open it anyway.
    void permissionGrantedLate_data()
    {
        QTest::addColumn<int>("grantAfterMs"); // -1: never
        QTest::addColumn<int>("status");
        QTest::addColumn<int>("sleptMs");
        QTest::newRow("granted after 500 ms") << 500 << int(usbstatus::Ok) << 500;
        QTest::newRow("never granted") << -1 << int(usbstatus::AccessDenied) << 3000;
    }
    void permissionGrantedLate()
    {
        QFETCH(int, grantAfterMs);
        QFETCH(int, status);
        QFETCH(int, sleptMs);
        add(unit(2, ""));
        const QByteArray node =
            QByteArray(umockdev_testbed_get_root_dir(testbed_)) + "/dev/bus/usb/200/002";
        QCOMPARE(::chmod(node.constData(), 0444), 0);
        const QStringList args{"retry", QString::number(grantAfterMs), QFile::decodeName(node)};
        QProcess probe;
        probe.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        if (::geteuid() == 0)
            probe.start("setpriv", QStringList{"--bounding-set=-dac_override,-dac_read_search",
                                               "--inh-caps=-all", KORVALIS_OPEN_PROBE} +
                                       args);
        else
            probe.start(KORVALIS_OPEN_PROBE, args);
        QVERIFY(probe.waitForFinished(30000));
        QCOMPARE(probe.exitCode(), 0);
        QCOMPARE(QString::fromLocal8Bit(probe.readAllStandardOutput()),
                 QStringLiteral("status %1 slept %2\n").arg(status).arg(sleptMs));
    }
};

QTEST_GUILESS_MAIN(DeviceWatcherTest)
#include "DeviceWatcherTest.moc"
