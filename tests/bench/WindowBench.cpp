// Not a test: how long the window's thread goes without handling a 10 ms timer while the device
// is slow or silent, against the in-process device model on the real clock, next to a bare
// QMainWindow in the same run. korvalis_bench_window [seconds of the silent row, default 20]
#include "FakePrompts.h"
#include "app/MainWindow.h"
#include "device/Clock.h"
#include "device/Commands.h"
#include "device/DeviceLink.h"
#include "session/AlertQueue.h"
#include "session/DeviceWorker.h"
#include "sim/DeviceModel.h"
#include "sim/ModelUsbApi.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMainWindow>
#include <QStatusBar>
#include <QTimer>
#include <cstdio>
#include <functional>
#include <memory>

namespace
{

// The longest pause between two ticks of a 10 ms timer on this thread while `run` goes on.
class GapMeter
{
public:
    GapMeter()
    {
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            const qint64 now = clock_.elapsed();
            longest_ = std::max(longest_, now - last_);
            last_ = now;
        });
    }
    qint64 measure(int ms, const std::function<void()> &during = {})
    {
        clock_.start();
        last_ = 0;
        longest_ = 0;
        timer_.start(10);
        if (during)
            during();
        QElapsedTimer total;
        total.start();
        while (total.elapsed() < ms)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        timer_.stop();
        return std::max<qint64>(longest_ - 10, 0); // beyond the timer's own period
    }

private:
    QTimer timer_;
    QElapsedTimer clock_;
    qint64 last_ = 0;
    qint64 longest_ = 0;
};

struct Device {
    SystemClock clock;
    DeviceModel model{clock};
    ModelUsbApi usb{model, clock};
    session::AlertQueue alerts;
    DeviceLink link{usb, clock, alerts};
    session::DeviceWorker worker{link, session::DeviceWorker::Mode::Threaded, &alerts};
    FakePrompts prompts;
    std::unique_ptr<MainWindow> window;

    void silence() { model.addFault({DeviceModel::FaultKind::NoReply, -1, -1, 0}); }
    void open()
    {
        window = std::make_unique<MainWindow>(worker, prompts);
        window->show();
    }
    void waitForStartUp()
    {
        QElapsedTimer t;
        t.start();
        while (!window->initialised() && t.elapsed() < 30000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    ~Device()
    {
        window.reset();
        worker.stop();
    }
};

void row(const char *what, qint64 gapMs)
{
    std::printf("%-40s %6lld ms %s\n", what, static_cast<long long>(gapMs),
                gapMs <= 50 ? "" : "(over 50 ms)");
    std::fflush(stdout);
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const int silentMs = (argc > 1 ? std::atoi(argv[1]) : 20) * 1000;
    GapMeter meter;
    std::printf("longest gap between 10 ms ticks of the window's thread\n");

    {
        QMainWindow bare;
        bare.show();
        row("bare QMainWindow, 5 s", meter.measure(5000));
    }
    {
        Device d;
        d.silence();
        row("launch, silent device (5 s)", meter.measure(5000, [&] { d.open(); }));
        row("silent device, later seconds", meter.measure(silentMs));
    }
    {
        Device d;
        d.model.addFault({DeviceModel::FaultKind::Delay, -1, -1, 1000});
        row("every reply 1 s late (15 s)", meter.measure(15000, [&] { d.open(); }));
    }
    {
        Device d;
        d.model.setSetting(2, 3); // CUSTOM mode, table 1: the upload is allowed
        d.model.setSetting(19, 1);
        d.model.setBusy(false);
        d.open();
        d.waitForStartUp();
        row("EDID write (3 s)", meter.measure(3000, [&] {
            QMetaObject::invokeMethod(d.window.get(), "WriteEDID", Qt::DirectConnection);
        }));
        std::printf("  committed: %s (%s)\n",
                    d.model.countRequests(cmd::EdidCommit) == 1 ? "yes" : "no",
                    qPrintable(d.window->statusBar()->currentMessage()));
        for (const auto &p : d.prompts.shown)
            std::printf("  box: %s\n", qPrintable(p.text));
    }
    {
        Device d;
        d.open();
        d.waitForStartUp();
        d.silence();
        row("CEC send, silent device (9 s)", meter.measure(9000, [&] {
            QMetaObject::invokeMethod(d.window.get(), "WriteCEC", Qt::DirectConnection);
        }));
    }
    return 0;
}
