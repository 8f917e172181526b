// Not a test: through the window's device thread on the real clock, milliseconds from a unit's
// arrival to the first start-up request it receives, and from its departure to the status
// bar's "KORVALIS USB disconnected"; for a simulator socket and, under umockdev, for libusb
// hotplug. Prints median and worst of N plugs per path.
#include <umockdev.h> // before Qt: GLib uses the name "signals"

#include "FakePrompts.h"
#include "PlugRig.h"
#include "RecordingAlerts.h"
#include "app/MainWindow.h"
#include "device/Clock.h"
#include "device/DeviceLink.h"
#include "device/LibUsbSource.h"
#include "session/DeviceWorker.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <sys/stat.h>
#include <vector>

namespace
{

constexpr int kRuns = 10;
constexpr int kGiveUpMs = 5000;
constexpr int kMaxPauseMs = 50; // before each plug and unplug

// Milliseconds until `reached`, the window's events running meanwhile; -1 after kGiveUpMs.
double msUntil(const QElapsedTimer &t, const std::function<bool()> &reached)
{
    while (!reached()) {
        if (t.elapsed() > kGiveUpMs)
            return -1;
        QCoreApplication::processEvents();
        QThread::usleep(100);
    }
    return double(t.nsecsElapsed()) / 1e6;
}

QString summary(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    if (v.front() < 0)
        return QStringLiteral("did not happen within %1 ms").arg(kGiveUpMs);
    return QStringLiteral("median %1 ms, worst %2 ms")
        .arg(v[v.size() / 2], 0, 'f', 1)
        .arg(v.back(), 0, 'f', 1);
}

void bench(const char *name, PlugRig &rig, Clock &clock)
{
    RecordingAlerts alerts;
    DeviceLink link(rig.api(), clock, alerts);
    session::DeviceWorker worker(link, session::DeviceWorker::Mode::Threaded);
    FakePrompts prompts;
    MainWindow window(worker, prompts);
    worker.watch([&] { return rig.watcher(); }, &window, [&] { window.showDeparture(); });
    const auto says = [&](const char *text) {
        return [&window, text] { return window.statusBar()->currentMessage() == text; };
    };
    settle(worker);
    // A person plugs and unplugs at any moment, not just after the worker's last look.
    const auto randomPause = [] {
        QElapsedTimer pause;
        pause.start();
        const auto ms = QRandomGenerator::global()->bounded(kMaxPauseMs);
        msUntil(pause, [&] { return pause.elapsed() >= ms; });
    };
    std::vector<double> arrive, depart;
    for (int i = 0; i < kRuns; ++i) {
        randomPause();
        QElapsedTimer t;
        t.start();
        if (!rig.plug(std::uint8_t(i)))
            break;
        arrive.push_back(msUntil(t, [&] { return rig.requestsSeen() > 0; }));
        msUntil(t, says("KORVALIS USB connected")); // the whole start-up, not measured
        randomPause();
        t.start();
        rig.unplug();
        depart.push_back(msUntil(t, says("KORVALIS USB disconnected")));
    }
    worker.stop();
    if (arrive.empty() || depart.empty()) {
        std::printf("%-16s could not plug a unit\n", name);
        return;
    }
    std::printf("%-16s arrival to first request: %s; departure to status bar: %s (%d runs)\n", name,
                qPrintable(summary(arrive)), qPrintable(summary(depart)), int(arrive.size()));
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    SystemClock clock;
    UMockdevTestbed *testbed = umockdev_testbed_new();
    if (!umockdev_in_mock_environment())
        std::printf("libusb hotplug  skipped: umockdev preload not active\n");
    else if (!LibUsbSource().usesHotplug())
        std::printf("libusb hotplug  skipped: no hotplug events from libusb here\n");
    else
        bench("libusb hotplug", *PlugRig::usb(testbed, clock), clock);
    // The directory a simulator made before: watched from the start.
    QTemporaryDir dir;
    ::mkdir(QFile::encodeName(dir.path() + "/usb").constData(), 0700);
    bench("socket dir", *PlugRig::socket(dir.path() + "/usb", clock), clock);
    g_object_unref(testbed);
    return 0;
}
