// The window's real path for plugs: its device thread, a watcher over libusb hotplug on a
// umockdev testbed or over a socket directory, the real backends, reach the window: an arrival,
// a departure and a replug at a new address show in it (what each does is HotplugTest's).
#include <umockdev.h> // before Qt: GLib uses the name "signals"

#include "FakePrompts.h"
#include "PlugRig.h"
#include "RecordingAlerts.h"
#include "app/MainWindow.h"
#include "device/Clock.h"
#include "device/DeviceLink.h"
#include "device/LibUsbSource.h"
#include "session/DeviceWorker.h"

#include <QLabel>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QtTest>

// Kernel-side events and real exchanges on a loaded machine: generous, still bounded.
constexpr int kWaitMs = 20000;

class HotplugWindowTest : public QObject
{
    Q_OBJECT

    UMockdevTestbed *testbed_ = nullptr;
    QTemporaryDir dir_;
    SystemClock clock_;

private slots:
    void initTestCase()
    {
        testbed_ = umockdev_testbed_new();
        if (!umockdev_in_mock_environment())
            QSKIP("the umockdev preload library is not active in this process");
    }
    void cleanupTestCase() { g_object_unref(testbed_); }

    void windowFollowsPlugs_data()
    {
        QTest::addColumn<bool>("real");
        QTest::newRow("libusb hotplug") << true;
        QTest::newRow("socket directory") << false;
    }
    void windowFollowsPlugs()
    {
        QFETCH(bool, real);
        if (real && !LibUsbSource().usesHotplug())
            QSKIP("libusb offers no hotplug events here");
        std::unique_ptr<PlugRig> rig =
            real ? PlugRig::usb(testbed_, clock_) : PlugRig::socket(dir_.path() + "/usb", clock_);
        RecordingAlerts alerts;
        DeviceLink link(rig->api(), clock_, alerts);
        session::DeviceWorker worker(link, session::DeviceWorker::Mode::Threaded);
        FakePrompts prompts;
        MainWindow window(worker, prompts);
        worker.watch([&] { return rig->watcher(); }, &window, [&] { window.showDeparture(); });
        auto *firmware = window.findChild<QLabel *>("labelFw1");
        const auto status = [&] { return window.statusBar()->currentMessage(); };

        QVERIFY(settle(worker));
        QVERIFY(rig->plug(7));
        QTRY_COMPARE_WITH_TIMEOUT(status(), QStringLiteral("KORVALIS USB connected"), kWaitMs);
        QCOMPARE(firmware->text(), QStringLiteral("ver: 1.7.0.0"));

        rig->unplug();
        QTRY_COMPARE_WITH_TIMEOUT(status(), QStringLiteral("KORVALIS USB disconnected"), kWaitMs);

        QVERIFY(rig->plug(8));
        QTRY_COMPARE_WITH_TIMEOUT(firmware->text(), QStringLiteral("ver: 1.8.0.0"), kWaitMs);
        QTRY_COMPARE_WITH_TIMEOUT(status(), QStringLiteral("KORVALIS USB connected"), kWaitMs);
        worker.stop();
    }
};

QTEST_MAIN(HotplugWindowTest)
#include "HotplugWindowTest.moc"
