// The window following plugs and unplugs through its worker, with a watcher the test drives:
// an arrival runs the launch's start-up, a departure silences the poll and the commands, a
// replug shows the new unit's own state, a refused open waits for the next arrival.
#include "FakeClock.h"
#include "FakePrompts.h"
#include "sim/ModelUsbApi.h"
#include "RecordingAlerts.h"
#include "TestWindow.h"
#include "device/DeviceWatcher.h"
#include "device/UsbApi.h"
#include "edid/EdidText.h"
#include "sim/DeviceModel.h"
#include "sim/EdidGenerator.h"

#include <QComboBox>
#include <QLabel>
#include <QStatusBar>
#include <QTextEdit>
#include <QtTest>
#include <functional>
#include <memory>

namespace
{

// Reports what the test says happened.
class ScriptedWatcher : public DeviceWatcher
{
public:
    std::vector<DeviceEvent> pending;
    std::vector<WatchedDevice> here;
    std::vector<DeviceEvent> poll(int) override { return std::exchange(pending, {}); }
    std::vector<WatchedDevice> present() const override { return here; }
};

WatchedDevice at(const QString &where)
{
    return {"2023", false, where};
}

// Gives `worker` a scripted watcher that first sees `here`; an in-line worker builds it at once.
ScriptedWatcher *watchScripted(session::DeviceWorker &worker, QObject *context,
                               std::function<void()> gone, std::vector<WatchedDevice> here = {})
{
    ScriptedWatcher *made = nullptr;
    worker.watch(
        [&] {
            auto w = std::make_unique<ScriptedWatcher>();
            w->here = here;
            made = w.get();
            return w;
        },
        context, std::move(gone));
    return made;
}

const char kConnected[] = "KORVALIS USB connected";
const char kDisconnected[] = "KORVALIS USB disconnected";

// One window over units played by device models in fake time; `serving` answers the wire.
struct Rig {
    FakeClock clock;
    DeviceModel unitA{clock}, unitB{clock};
    DeviceModel *serving = &unitA;
    ModelUsbApi usb{clock};
    RecordingAlerts alerts;
    DeviceLink link{usb, clock, alerts};
    FakePrompts prompts;
    ScriptedWatcher *watcher = nullptr;
    std::unique_ptr<TestWindow> window;

    explicit Rig(bool plugged)
    {
        // The form shows HDR packets on: a unit that agrees gets no write-back at a launch, so
        // what a launch sends depends on the unit alone.
        for (DeviceModel *unit : {&unitA, &unitB})
            unit->setSetting(16, 1);
        clock.advance(10000); // past the EDID rebuild the change starts
        usb.responder = [this](const QByteArray &request) -> std::optional<QByteArray> {
            const DeviceModel::Reply r = serving->handle(request);
            return r.send ? std::optional<QByteArray>(r.bytes) : std::nullopt;
        };
        if (plugged)
            usb.devices = {FakeDevice{"2023", false, 0, 0, "1-4"}};
        window = std::make_unique<TestWindow>(link, prompts);
        watcher = watchScripted(
            worker(), window.get(), [this] { window->showDeparture(); },
            plugged ? std::vector<WatchedDevice>{at("1-4")} : std::vector<WatchedDevice>{});
    }
    session::DeviceWorker &worker() { return window->deviceWorker(); }
    void plug(const QString &where = "1-4", int openStatus = 0)
    {
        usb.devices = {FakeDevice{"2023", false, openStatus, 0, where}};
        watcher->here = {at(where)};
        watcher->pending.push_back({DeviceEvent::Arrival, at(where)});
        worker().requestDeviceCheck();
    }
    void unplug()
    {
        watcher->pending.push_back({DeviceEvent::Departure, at(usb.devices.value(0).where)});
        usb.devices.clear();
        watcher->here.clear();
        worker().requestDeviceCheck();
    }
    QString status() const { return window->statusBar()->currentMessage(); }
    template <class W> W *widget(const char *name) { return window->findChild<W *>(name); }
    void click(const char *slot)
    {
        QVERIFY(QMetaObject::invokeMethod(window.get(), slot, Qt::DirectConnection));
    }
};

QString tableText(const QByteArray &edid256)
{
    edid::Table table{};
    std::copy_n(edid256.constData(), table.size(), table.begin());
    return edid::edidTableText(table);
}

} // namespace

class HotplugTest : public QObject
{
    Q_OBJECT

private slots:
    void arrivalRunsTheLaunchStartUp_data()
    {
        QTest::addColumn<bool>("unpluggedFirst");
        QTest::newRow("started without a device") << false;
        QTest::newRow("after an unplug") << true;
    }
    void arrivalRunsTheLaunchStartUp()
    {
        QFETCH(bool, unpluggedFirst);
        Rig launch(true);
        Rig rig(unpluggedFirst);
        if (unpluggedFirst)
            rig.unplug();
        const qsizetype before = rig.usb.writes.size();
        rig.plug();
        QCOMPARE(rig.usb.writes.mid(before), launch.usb.writes);
        QCOMPARE(rig.status(), QString(kConnected));
        QVERIFY(rig.prompts.shown.isEmpty());
        QVERIFY(rig.window->initialised());
        QVERIFY(rig.window->pollTimerRunning());
        // Filled anew, not appended to what the first start-up put there.
        QCOMPARE(rig.widget<QComboBox>("cmBEdid")->count(),
                 launch.widget<QComboBox>("cmBEdid")->count());
    }

    void departureSilencesThePollAndTheCommands_data()
    {
        QTest::addColumn<QByteArray>("slot");
        QTest::newRow("CEC send") << QByteArray("WriteCEC");
        QTest::newRow("HDR send") << QByteArray("WriteIF");
        QTest::newRow("EDID read") << QByteArray("ReadEDID");
    }
    void departureSilencesThePollAndTheCommands()
    {
        QFETCH(QByteArray, slot);
        Rig rig(true);
        rig.unplug();
        QCOMPARE(rig.status(), QString(kDisconnected));
        QVERIFY(!rig.window->pollTimerRunning());
        const qsizetype before = rig.usb.writes.size();
        for (int i = 0; i < 3; ++i) {
            rig.clock.advance(session::WindowSession::PollIntervalMs);
            rig.worker().requestTick();
        }
        QCOMPARE(rig.usb.writes.size(), before);
        QCOMPARE(rig.status(), QString(kDisconnected));
        QVERIFY(rig.prompts.shown.isEmpty());

        // The same click in a window that never had a device, with the same editor texts.
        Rig none(false);
        for (const char *editor : {"CECtext", "IFtext"})
            none.widget<QTextEdit>(editor)->setPlainText(
                rig.widget<QTextEdit>(editor)->toPlainText());
        none.click(slot.constData());
        rig.click(slot.constData());
        QCOMPARE(rig.usb.writes.size(), before);
        QVERIFY(!none.status().isEmpty());
        QCOMPARE(rig.status(), none.status());
        // Once the command's message is gone, the departure shows again.
        rig.window->statusBar()->clearMessage();
        QCOMPARE(rig.status(), QString(kDisconnected));
    }

    void replugShowsTheNewUnitsOwnState_data()
    {
        QTest::addColumn<bool>("otherUnit");
        QTest::newRow("same unit, changed while away") << false;
        QTest::newRow("another unit with the id") << true;
    }
    void replugShowsTheNewUnitsOwnState()
    {
        QFETCH(bool, otherUnit);
        Rig rig(true);
        const QString firstEdid = rig.widget<QTextEdit>("EDIDtext")->toPlainText();
        rig.unplug();
        DeviceModel &next = otherUnit ? rig.unitB : rig.unitA;
        next.setFirmwareVersion(2, 3, 4, 5);
        next.setSetting(0, 3); // input: matrix-thru
        next.plugDisplay(DeviceModel::Output::A, edidgen::displayNames().last());
        next.rebuildOwnEdid();
        rig.clock.advance(10000); // past the rebuild
        rig.serving = &next;
        rig.plug(otherUnit ? "1-5" : "1-4");
        QCOMPARE(rig.status(), QString(kConnected));
        rig.clock.advance(session::WindowSession::PollIntervalMs);
        rig.worker().requestTick(); // the combo boxes show the poll's values
        QCOMPARE(rig.widget<QLabel>("labelFw1")->text(), QStringLiteral("ver: 2.3.4.5"));
        QCOMPARE(rig.widget<QComboBox>("cmbInputSel")->currentIndex(), 2);
        const QString edid = rig.widget<QTextEdit>("EDIDtext")->toPlainText();
        QCOMPARE(edid, tableText(next.ownEdid()));
        QVERIFY(edid != firstEdid);
    }

    void refusedOpenWaitsForTheNextArrival()
    {
        Rig rig(false);
        rig.plug("1-4", usbstatus::AccessDenied);
        QVERIFY2(rig.status().contains("may not open it"), qPrintable(rig.status()));
        QVERIFY(rig.prompts.shown.isEmpty());
        QVERIFY(!rig.window->pollTimerRunning());
        // Granted now, but nothing arrived: no look opens it.
        rig.usb.devices[0].openStatus = 0;
        const int opens = rig.usb.opens;
        rig.worker().requestDeviceCheck();
        QCOMPARE(rig.usb.opens, opens);
        // Replugged: it opens.
        rig.plug();
        QCOMPARE(rig.status(), QString(kConnected));
        QVERIFY(rig.window->initialised());
        QVERIFY(rig.prompts.shown.isEmpty());
    }

    // The unit opened is the one named (a place) or the first with the id; only its own
    // departure ends the session, and a departure while another unit stays opens that one.
    void departureOfTheOpenUnitOnly_data()
    {
        QTest::addColumn<QByteArray>("chosen");
        QTest::addColumn<QString>("opened");
        QTest::addColumn<QString>("other");
        QTest::addColumn<bool>("otherTakesOver");
        QTest::newRow("by id") << QByteArray("2023") << "1-4"
                               << "1-5" << true;
        QTest::newRow("by place") << QByteArray("1-5") << "1-5"
                                  << "1-4" << false;
    }
    void departureOfTheOpenUnitOnly()
    {
        QFETCH(QByteArray, chosen);
        QFETCH(QString, opened);
        QFETCH(QString, other);
        QFETCH(bool, otherTakesOver);
        FakeClock clock;
        ModelUsbApi usb(clock);
        usb.devices = {FakeDevice{"2023", false, 0, 0, "1-4"},
                       FakeDevice{"2023", false, 0, 0, "1-5"}};
        RecordingAlerts alerts;
        DeviceLink link(usb, clock, alerts);
        session::DeviceWorker worker(link, session::DeviceWorker::Mode::Inline);
        worker.chooseDevice(chosen);
        int startUps = 0, gone = 0;
        worker.startUp("2023", this, [&](const session::StartUpResult &) { ++startUps; });
        QCOMPARE(link.deviceWhere(), opened);
        ScriptedWatcher *w = watchScripted(worker, this, [&] { ++gone; }, {at(opened)});
        w->pending = {{DeviceEvent::Departure, at(other)}, {DeviceEvent::Arrival, at(other)}};
        worker.requestDeviceCheck();
        QCOMPARE(gone, 0);
        QCOMPARE(startUps, 1);
        QVERIFY(link.isOpen());

        usb.devices.removeAt(opened == "1-4" ? 0 : 1);
        w->here.clear();
        if (otherTakesOver)
            w->here.push_back(at(other));
        w->pending = {{DeviceEvent::Departure, at(opened)}};
        worker.requestDeviceCheck();
        QCOMPARE(gone, 1);
        QCOMPARE(startUps, otherTakesOver ? 2 : 1);
        QCOMPARE(link.isOpen(), otherTakesOver);
    }

    // Plugged in after the launch looked and before the watcher's first look.
    void arrivalBeforeTheWatcherStarts()
    {
        FakeClock clock;
        ModelUsbApi usb(clock);
        RecordingAlerts alerts;
        DeviceLink link(usb, clock, alerts);
        session::DeviceWorker worker(link, session::DeviceWorker::Mode::Inline);
        bool opened = false;
        worker.startUp("2023", this, [&](const session::StartUpResult &r) { opened = r.opened; });
        QVERIFY(!opened);
        usb.devices = {FakeDevice{"2023"}};
        watchScripted(worker, this, {}, {at(QString())});
        QVERIFY(opened);
    }
};

QTEST_MAIN(HotplugTest)
#include "HotplugTest.moc"
