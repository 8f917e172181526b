// What the window says while its device comes, answers or stays silent, and goes: the real
// window over a device model in fake time, with a watcher the test drives.
#include "FakeClock.h"
#include "FakePrompts.h"
#include "RecordingAlerts.h"
#include "TestWindow.h"
#include "app/QtPrompts.h"
#include "device/DeviceWatcher.h"
#include "sim/DeviceModel.h"
#include "sim/ModelUsbApi.h"

#include <QLabel>
#include <QMessageBox>
#include <QStatusBar>
#include <QTimer>
#include <QtTest>
#include <memory>

namespace
{

class ScriptedWatcher : public DeviceWatcher
{
public:
    std::vector<DeviceEvent> pending;
    std::vector<WatchedDevice> here;
    std::vector<DeviceEvent> poll(int) override { return std::exchange(pending, {}); }
    std::vector<WatchedDevice> present() const override { return here; }
};

// Counts the times the window closes the open warnings.
class Prompts : public FakePrompts
{
public:
    int closings = 0;
    void closeAlerts() override { ++closings; }
};

const WatchedDevice Unit{"2023", false, "1-4"};

struct Rig {
    FakeClock clock;
    DeviceModel model{clock};
    bool silent = false;
    ModelUsbApi usb{clock};
    RecordingAlerts alerts;
    DeviceLink link{usb, clock, alerts};
    Prompts prompts;
    ScriptedWatcher *watcher = nullptr;
    std::unique_ptr<TestWindow> window;
    QStringList shown; // every status bar message, in order

    explicit Rig(bool plugged)
    {
        usb.responder = [this](const QByteArray &request) -> std::optional<QByteArray> {
            const DeviceModel::Reply r = model.handle(request);
            return r.send && !silent ? std::optional<QByteArray>(r.bytes) : std::nullopt;
        };
        if (plugged)
            usb.devices = {FakeDevice{"2023", false, 0, 0, Unit.where}};
        window = std::make_unique<TestWindow>(link, prompts);
        QObject::connect(window->statusBar(), &QStatusBar::messageChanged,
                         [this](const QString &m) { shown << m; });
        window->deviceWorker().watch(
            [&] {
                auto w = std::make_unique<ScriptedWatcher>();
                watcher = w.get();
                if (plugged)
                    w->here = {Unit};
                return w;
            },
            window.get(), [this] { window->showDeparture(); });
    }
    void event(DeviceEvent::Kind kind)
    {
        const bool arrives = kind == DeviceEvent::Arrival;
        usb.devices = arrives ? QList<FakeDevice>{FakeDevice{"2023", false, 0, 0, Unit.where}}
                              : QList<FakeDevice>{};
        watcher->here = arrives ? std::vector<WatchedDevice>{Unit} : std::vector<WatchedDevice>{};
        watcher->pending.push_back({kind, Unit});
        window->deviceWorker().requestDeviceCheck();
    }
    QString status() const { return window->statusBar()->currentMessage(); }
    // Labels in the status bar showing its message a second time.
    int drawnTwice() const
    {
        int n = 0;
        for (const QLabel *l : window->statusBar()->findChildren<QLabel *>())
            n += l->isVisibleTo(window.get()) && !status().isEmpty() && l->text() == status();
        return n;
    }
};

} // namespace

class ArrivalWindowTest : public QObject
{
    Q_OBJECT

private slots:
    // A closed window ends the event loop (its quit stays pending): an exec of the application
    // clears that before the next modal box.
    void init()
    {
        QTimer::singleShot(0, qApp, &QCoreApplication::quit);
        QCoreApplication::exec();
    }
    void arrival_data()
    {
        QTest::addColumn<bool>("launchedWithDevice"); // else the launch warned it was missing
        QTest::addColumn<bool>("answers");
        QTest::addColumn<QString>("status");
        QTest::newRow("launched without, answers") << false << true << "KORVALIS USB connected";
        QTest::newRow("launched without, silent") << false << false << "KORVALIS not answering";
        QTest::newRow("replugged, answers") << true << true << "KORVALIS USB connected";
        QTest::newRow("replugged, silent") << true << false << "KORVALIS not answering";
    }
    void arrival()
    {
        QFETCH(bool, launchedWithDevice);
        QFETCH(bool, answers);
        QFETCH(QString, status);
        Rig rig(launchedWithDevice);
        QCOMPARE(rig.alerts.shown.isEmpty(), launchedWithDevice);
        if (launchedWithDevice) {
            rig.event(DeviceEvent::Departure);
            QCOMPARE(rig.status(), QStringLiteral("KORVALIS USB disconnected"));
            // A command's message covers the departure for a while, then it shows again.
            rig.window->statusBar()->showMessage("CEC sent", 2000);
            rig.window->statusBar()->clearMessage();
            QCOMPARE(rig.status(), QStringLiteral("KORVALIS USB disconnected"));
            QCOMPARE(rig.drawnTwice(), 0);
        }
        rig.silent = !answers;
        rig.shown.clear();
        rig.prompts.closings = 0;
        rig.event(DeviceEvent::Arrival);

        if (answers)
            QCOMPARE(rig.status(), status);
        QCOMPARE(rig.drawnTwice(), 0);
        QVERIFY2(!rig.shown.contains("KORVALIS USB disconnected"), qPrintable(rig.shown.join('|')));
        // Silent: said before the start-up's time-outs, and it stands under their messages.
        if (!answers)
            QCOMPARE(rig.shown.value(0), status);
        QCOMPARE(rig.drawnTwice(), 0);
        // The boxes about the missing device close as it arrives.
        QCOMPARE(rig.prompts.closings, 1);
        rig.window->statusBar()->clearMessage();
        QCOMPARE(rig.status(), answers ? QString() : status);
    }

    // The real warning box leaves its modal loop when told the device arrived.
    void openWarningCloses()
    {
        QtPrompts prompts;
        bool closedByArrival = false;
        QTimer timer;
        connect(&timer, &QTimer::timeout, [&] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (box == nullptr)
                return;
            prompts.closeAlerts();
            closedByArrival = QApplication::activeModalWidget() != box || !box->isVisible();
            if (!closedByArrival)
                box->reject();
        });
        timer.start(1);
        prompts.alert("KORVALIS USB not connected!");
        QVERIFY(closedByArrival);
    }
};

QTEST_MAIN(ArrivalWindowTest)
#include "ArrivalWindowTest.moc"
