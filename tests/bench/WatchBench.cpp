// Not a test: how long the device watcher takes to report an arrival and a departure, in real
// time, for real units (libusb hotplug and the sysfs rescan, on a umockdev testbed) and for
// simulated ones (the socket directory). Prints one line per path: median and worst of N runs.
#include <umockdev.h> // before Qt: GLib uses the name "signals"

#include "UsbfsDevice.h"
#include "device/Clock.h"
#include "device/LibUsbSource.h"
#include "device/SocketDirSource.h"
#include "device/SourceWatcher.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace
{

constexpr int kRuns = 20;

// Milliseconds from `change` to the first poll that reports `kind`; -1 when none came in 3 s.
double timeToReport(DeviceWatcher &w, DeviceEvent::Kind kind, const std::function<void()> &change)
{
    QElapsedTimer t;
    t.start();
    change();
    while (t.elapsed() < 3000)
        for (const DeviceEvent &e : w.poll(100))
            if (e.kind == kind)
                return double(t.nsecsElapsed()) / 1e6;
    return -1;
}

void report(const char *path, std::vector<double> arrive, std::vector<double> depart)
{
    const auto line = [](std::vector<double> &v) {
        std::sort(v.begin(), v.end());
        return QStringLiteral("median %1 ms, worst %2 ms")
            .arg(v[v.size() / 2], 0, 'f', 1)
            .arg(v.back(), 0, 'f', 1);
    };
    std::printf("%-16s arrival: %s; departure: %s (%d runs)\n", path, qPrintable(line(arrive)),
                qPrintable(line(depart)), kRuns);
}

void benchUsb(bool hotplug)
{
    SystemClock clock;
    UMockdevTestbed *testbed = umockdev_testbed_new();
    std::vector<std::unique_ptr<DeviceSource>> sources;
    auto source = std::make_unique<LibUsbSource>(hotplug ? LibUsbSource::Mode::Auto
                                                         : LibUsbSource::Mode::Rescan);
    if (hotplug && !source->usesHotplug()) {
        std::printf("libusb hotplug  not available\n");
        return;
    }
    sources.push_back(std::move(source));
    SourceWatcher w(clock, "2023", std::move(sources));
    std::vector<double> arrive, depart;
    for (int i = 0; i < kRuns; ++i) {
        UsbfsDeviceSpec spec;
        spec.address = 2 + i; // a new address each time, as on a real replug
        spec.port = "4";
        spec.serial = "2023";
        UsbfsDevice device(spec);
        arrive.push_back(timeToReport(w, DeviceEvent::Arrival, [&] { device.addTo(testbed); }));
        depart.push_back(
            timeToReport(w, DeviceEvent::Departure, [&] { device.removeFrom(testbed); }));
    }
    report(hotplug ? "libusb hotplug" : "sysfs rescan", arrive, depart);
    g_object_unref(testbed);
}

void benchSockets()
{
    SystemClock clock;
    QTemporaryDir top;
    const QByteArray dir = QFile::encodeName(top.path()) + "/usb";
    ::mkdir(dir.constData(), 0700);
    std::vector<std::unique_ptr<DeviceSource>> sources;
    sources.push_back(std::make_unique<SocketDirSource>(QFile::decodeName(dir)));
    SourceWatcher w(clock, "2023", std::move(sources));
    const QByteArray path = dir + "/2023.sock";
    std::vector<double> arrive, depart;
    for (int i = 0; i < kRuns; ++i) {
        int fd = -1;
        arrive.push_back(timeToReport(w, DeviceEvent::Arrival, [&] {
            fd = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
            sockaddr_un a{};
            a.sun_family = AF_UNIX;
            std::memcpy(a.sun_path, path.constData(), std::size_t(path.size()));
            ::bind(fd, reinterpret_cast<sockaddr *>(&a), sizeof a);
            ::listen(fd, 1);
        }));
        depart.push_back(timeToReport(w, DeviceEvent::Departure, [&] {
            ::close(fd);
            ::unlink(path.constData());
        }));
    }
    report("socket dir", arrive, depart);
}

} // namespace

int main()
{
    UMockdevTestbed *probe = umockdev_testbed_new();
    const bool mocked = umockdev_in_mock_environment();
    g_object_unref(probe);
    if (mocked) {
        benchUsb(true);
        benchUsb(false);
    } else {
        std::printf("umockdev preload not active: USB paths skipped\n");
    }
    benchSockets();
    return 0;
}
