// Not a test: what the window costs while nothing happens, on the real clock. Wake-ups a second
// (context switches of every thread of this process, voluntary and involuntary, from
// getrusage) and the share of one core (user + system time) over SECONDS (default 20) each:
//   - a bare QMainWindow, for comparison;
//   - the window as korvalis_gui builds it (real and simulated backends, the device thread, its
//     watcher over libusb and the socket directory) waiting for a device that is not there;
//   - the same window with a korvalis-sim process serving its device (the 3 s poll runs), with
//     the number of requests the device received meanwhile (from the simulator's log).
// The wake-ups of each of the window's threads are listed after its line.
// korvalis_bench_idle [SECONDS]  (without a display it runs on the offscreen platform)
#include "FakePrompts.h"
#include "app/MainWindow.h"
#include "device/Clock.h"
#include "device/CombinedUsbApi.h"
#include "device/DeviceLink.h"
#include "device/LibUsbApi.h"
#include "device/SourceWatcher.h"
#include "device/VirtualUsbApi.h"
#include "session/AlertQueue.h"
#include "session/DeviceWorker.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QMainWindow>
#include <QProcess>
#include <QRegularExpression>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <cstdio>
#include <functional>
#include <map>
#include <sys/resource.h>

namespace
{

struct Usage {
    double wakeUps = 0;                 // context switches, all threads (ended ones too)
    double cpuSeconds = 0;              // user + system
    std::map<QString, double> byThread; // name (with its id) -> context switches
};

double seconds(const timeval &t)
{
    return double(t.tv_sec) + double(t.tv_usec) / 1e6;
}

Usage sample()
{
    Usage u;
    rusage r{};
    ::getrusage(RUSAGE_SELF, &r);
    u.wakeUps = double(r.ru_nvcsw + r.ru_nivcsw);
    u.cpuSeconds = seconds(r.ru_utime) + seconds(r.ru_stime);
    const QDir tasks(QStringLiteral("/proc/self/task"));
    for (const QString &tid : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile f(tasks.filePath(tid + QStringLiteral("/status")));
        if (!f.open(QIODevice::ReadOnly))
            continue;
        QString name;
        double switches = 0;
        for (const QByteArray &line : f.readAll().split('\n')) {
            if (line.startsWith("Name:"))
                name = QString::fromUtf8(line.mid(5).trimmed());
            else if (line.startsWith("voluntary_ctxt_switches:") ||
                     line.startsWith("nonvoluntary_ctxt_switches:"))
                switches += line.mid(line.indexOf(':') + 1).trimmed().toDouble();
        }
        u.byThread[name + QLatin1Char('/') + tid] = switches;
    }
    return u;
}

// Runs the event loop for `ms` and prints what it cost; `requests`, when given, counts what the
// device has received so far.
void measure(const char *label, int ms, bool perThread, const std::function<int()> &requests = {})
{
    const int requestsBefore = requests ? requests() : 0;
    QEventLoop loop;
    const Usage before = sample();
    QElapsedTimer wall;
    wall.start();
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
    const Usage after = sample();
    const double s = double(wall.nsecsElapsed()) / 1e9;
    std::printf("%-36s wake-ups %6.2f/s, CPU %.3f%% of a core (%.0f s)\n", label,
                (after.wakeUps - before.wakeUps) / s,
                100.0 * (after.cpuSeconds - before.cpuSeconds) / s, s);
    if (requests) {
        QThread::msleep(200); // the simulator's last lines
        std::printf("    %-30s %6d (%.2f/s)\n", "requests to the device",
                    requests() - requestsBefore, (requests() - requestsBefore) / s);
    }
    if (!perThread)
        return;
    for (const auto &[thread, switches] : after.byThread) {
        const auto was = before.byThread.find(thread);
        const double delta = switches - (was == before.byThread.end() ? 0.0 : was->second);
        if (delta > 0)
            std::printf("    %-30s %6.2f/s\n", qPrintable(thread), delta / s);
    }
}

bool waitFor(int ms, const std::function<bool()> &reached)
{
    QElapsedTimer t;
    t.start();
    while (!reached()) {
        if (t.elapsed() > ms)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
        qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int ms = (argc > 1 ? std::max(1, QByteArray(argv[1]).toInt()) : 20) * 1000;

    {
        QMainWindow bare;
        bare.resize(377, 781);
        bare.show();
        waitFor(1000, [] { return false; }); // shown and settled
        measure("bare QMainWindow", ms, false);
    }

    // The simulator's directory of this run only, not made until the simulator starts (as on
    // a machine where none ever ran): its parent is watched meanwhile.
    QTemporaryDir runtime;
    const QString dir = runtime.path() + QStringLiteral("/korvalis-usb");

    SystemClock clock;
    FakePrompts prompts;
    session::AlertQueue alerts;
    LibUsbApi realUsb;
    VirtualUsbApi virtualUsb(dir);
    CombinedUsbApi usb{&realUsb, &virtualUsb};
    DeviceLink link(usb, clock, alerts);
    session::DeviceWorker worker(link, session::DeviceWorker::Mode::Threaded, &alerts);
    QProcess sim;
    {
        MainWindow window(worker, prompts);
        worker.watch([&] { return makeDeviceWatcher(clock, "2023", dir); }, &window,
                     [&window] { window.showDeparture(); });
        window.show();
        const auto says = [&window](const char *text) {
            return [&window, text] { return window.statusBar()->currentMessage() == text; };
        };
        waitFor(3000, [] { return false; }); // the launch's look and the watcher's first
        measure("window, no device", ms, true);

        // A file, never a pipe: a full pipe would stall the simulated device.
        QTemporaryDir logs;
        const QString log = logs.filePath(QStringLiteral("sim.log"));
        sim.setStandardOutputFile(log);
        sim.setStandardErrorFile(QProcess::nullDevice());
        const auto requests = [log] {
            QFile f(log);
            if (!f.open(QIODevice::ReadOnly))
                return 0;
            static const QRegularExpression request(QStringLiteral("^\\S+ <"));
            int n = 0;
            for (const QByteArray &line : f.readAll().split('\n'))
                n += request.match(QString::fromLatin1(line)).hasMatch() ? 1 : 0;
            return n;
        };
        sim.start(QStringLiteral(KORVALIS_SIM_PATH), {QStringLiteral("--dir"), dir});
        if (!sim.waitForStarted(5000) || !waitFor(10000, says("KORVALIS USB connected"))) {
            std::printf("window, simulated device: could not connect\n");
        } else {
            waitFor(4000, [] { return false; }); // the start-up's EDID read and first poll
            measure("window, simulated device (3 s poll)", ms, true, requests);
        }
        worker.stop();
    }
    sim.terminate();
    sim.waitForFinished(5000);
    return 0;
}
