// The device thread: one job at a time in posted order (poll ticks among them), a second EDID
// transfer refused while one is pending, and a prompt end when the program closes mid-way.
#include "session/DeviceWorker.h"
#include "TestWindow.h"
#include "app/MainWindow.h"

#include "ExitGuard.h"
#include "FakePrompts.h"
#include "ModelLink.h"

#include <QAction>
#include <QElapsedTimer>
#include <QSemaphore>
#include <QStatusBar>
#include <QtTest>
#include <atomic>

using session::DeviceWorker;
using session::WindowSession;

namespace
{

// Holds the device thread inside a job until released.
struct Gate {
    QSemaphore entered, released;
    void post(DeviceWorker &worker, QObject *context)
    {
        worker.run<bool>(
            [this](WindowSession &) {
                entered.release();
                released.acquire();
                return true;
            },
            context, {});
        entered.acquire();
    }
    void open() { released.release(); }
};

} // namespace

class DeviceWorkerTest : public QObject
{
    Q_OBJECT

    ExitGuard exitGuard; // File > Exit must end the event loop, never the program

private slots:
    void jobsRunInPostedOrder()
    {
        ModelLink m;
        DeviceWorker worker(m.link, DeviceWorker::Mode::Threaded);
        QStringList order;
        const auto record = [&](const QString &what) {
            return [&order, what](const bool &) { order << what; };
        };
        worker.run<bool>([](WindowSession &w) { return w.startUp("2023").opened; }, this,
                         record("start-up"));
        Gate gate;
        gate.post(worker, this);
        // Clicked while the device thread is busy: queued, in click order, the tick among them.
        worker.run<bool>(
            [](WindowSession &w) { return w.writeSetting(settings::Id::Cec, 0).ok; }, this,
            record("write"));
        worker.requestTick();
        worker.requestTick(); // a second tick while one waits is not queued again
        worker.run<bool>([](WindowSession &w) { return w.sendCec("40:04").ok; }, this,
                         record("cec"));
        gate.open();
        QTRY_COMPARE(order.size(), 3);
        QCOMPARE(order, (QStringList{"start-up", "write", "cec"}));
        worker.stop();

        // On the wire: the write, then one tick's settings read, then the CEC store.
        const QList<QByteArray> requests = m.model.requests();
        int write = -1, tickRead = -1, cec = -1, reads = 0;
        for (int i = 0; i < requests.size(); ++i) {
            const QByteArray &r = requests[i];
            if (r.size() == 5 && quint8(r[2]) == 0xE0 && quint8(r[3]) == 27 && write < 0)
                write = i;
            if (write >= 0 && r == QByteArray::fromHex("112ae1") && ++reads == 1)
                tickRead = i;
            if (r.size() > 2 && quint8(r[2]) == cmd::CecSend && cec < 0)
                cec = i;
        }
        QVERIFY(write >= 0 && tickRead > write && cec > tickRead);
    }

    void secondTransferIsRefused()
    {
        ModelLink m;
        DeviceWorker worker(m.link, DeviceWorker::Mode::Threaded);
        FakePrompts prompts;
        MainWindow window(worker, prompts);
        QTRY_VERIFY(window.initialised());
        const int fetches = m.model.countRequests(cmd::EdidFetchOwn);
        Gate gate;
        gate.post(worker, this);
        QMetaObject::invokeMethod(&window, "ReadEDID", Qt::DirectConnection);
        QMetaObject::invokeMethod(&window, "readTvEdidB", Qt::DirectConnection);
        QCOMPARE(window.statusBar()->currentMessage(),
                 QStringLiteral("An EDID transfer is running: wait for its end"));
        gate.open();
        QTRY_COMPARE(window.statusBar()->currentMessage(), QStringLiteral("EDID values read."));
        worker.stop();
        QCOMPARE(m.model.countRequests(cmd::EdidFetchOwn), fetches + 1);
        QCOMPARE(m.model.countRequests(cmd::EdidFetchTvB), 0);
    }

    // Closing mid-way: an EDID write stops between chunks without its commit, and a wait on a
    // silent device ends at once instead of at its deadline.
    void stopEndsTheRunningJob_data()
    {
        QTest::addColumn<bool>("edidWrite");
        QTest::newRow("EDID write") << true;
        QTest::newRow("CEC send to a silent device") << false;
    }
    void stopEndsTheRunningJob()
    {
        QFETCH(bool, edidWrite);
        SystemClock clock;
        DeviceModel model(clock);
        ModelUsbApi usb(model, clock);
        RecordingAlerts alerts;
        DeviceLink link(usb, clock, alerts);
        DeviceWorker worker(link, DeviceWorker::Mode::Threaded);
        std::atomic<bool> done{false};
        worker.run<bool>([](WindowSession &w) { return w.startUp("2023").opened; }, this, {});
        QSemaphore midway;
        if (edidWrite) {
            worker.run<bool>(
                [&](WindowSession &w) {
                    const auto progress = [&](int chunk, int) {
                        if (chunk != 5)
                            return;
                        midway.release();
                        while (!worker.stopping())
                            QThread::msleep(1);
                    };
                    w.writeEdid(edid::Table{}, progress, [&] { return worker.stopping(); });
                    return done = true;
                },
                this, {});
        } else {
            worker.run<bool>(
                [&](WindowSession &w) {
                    model.addFault({DeviceModel::FaultKind::NoReply, -1, -1, 0});
                    midway.release();
                    w.sendCec("40:04");
                    return done = true;
                },
                this, {});
        }
        QVERIFY(midway.tryAcquire(1, 5000));
        QElapsedTimer t;
        t.start();
        worker.stop();
        QVERIFY2(t.elapsed() < 1000, qPrintable(QString::number(t.elapsed())));
        QVERIFY(done);
        QCOMPARE(model.countRequests(cmd::EdidCommit), 0);
        QVERIFY(!usb.isOpen());
    }

    // File > Exit leaves as the close button does: the device thread ends, the device is
    // closed, then the event loop returns 0 (main returns it).
    void fileExitEndsTheDeviceThread()
    {
        ModelLink m;
        DeviceWorker worker(m.link, DeviceWorker::Mode::Threaded);
        FakePrompts prompts;
        MainWindow window(worker, prompts);
        QTRY_VERIFY(window.initialised());
        QThread *deviceThread = worker.thread();
        QVERIFY(deviceThread != QThread::currentThread() && deviceThread->isRunning());
        QVERIFY(m.link.isOpen());
        window.show();
        QTimer::singleShot(0, &window,
                           [&window] { window.findChild<QAction *>("actionExit")->trigger(); });
        QCOMPARE(QCoreApplication::exec(), 0);
        QVERIFY(window.isHidden());
        QVERIFY(deviceThread->isFinished());
        QCOMPARE(worker.thread(), QThread::currentThread()); // the worker came home
        QVERIFY(!worker.pollTimerRunning());
        QVERIFY(!m.link.isOpen());
        QVERIFY(!m.usb.isOpen());
    }
};

QTEST_MAIN(DeviceWorkerTest)
#include "DeviceWorkerTest.moc"
