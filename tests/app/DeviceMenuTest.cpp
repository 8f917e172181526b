// The Device menu over two units played by device models: it lists them, switches the window
// to the one chosen with a whole start-up, and the title names the open unit's place when it
// matters.
#include "FakeClock.h"
#include "FakePrompts.h"
#include "RecordingAlerts.h"
#include "TestWindow.h"
#include "app/DeviceMenu.h"
#include "sim/DeviceModel.h"
#include "sim/ModelUsbApi.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QStatusBar>
#include <QtTest>
#include <memory>

namespace
{

struct Rig {
    FakeClock clock;
    DeviceModel unitA{clock}, unitB{clock};
    DeviceModel *serving = &unitA;
    ModelUsbApi usb{clock};
    RecordingAlerts alerts;
    DeviceLink link{usb, clock, alerts};
    FakePrompts prompts;
    std::unique_ptr<TestWindow> window;
    std::unique_ptr<DeviceMenu> menu;

    Rig(int units, bool named)
    {
        unitB.setFirmwareVersion(2, 3, 4, 5);
        usb.responder = [this](const QByteArray &request) -> std::optional<QByteArray> {
            const DeviceModel::Reply r = serving->handle(request);
            return r.send ? std::optional<QByteArray>(r.bytes) : std::nullopt;
        };
        usb.devices = {FakeDevice{"2023", false, 0, 0, "1-4"}};
        if (units > 1)
            usb.devices.append(FakeDevice{"2023", false, 0, 0, "1-5"});
        window = std::make_unique<TestWindow>(link, prompts);
        menu = std::make_unique<DeviceMenu>(*window, window->deviceWorker(), named);
    }
    QStringList entries() const
    {
        menu->refresh();
        QStringList out;
        for (QAction *a : menu->menu()->actions())
            out << a->text() + (a->isChecked() ? " *" : "");
        return out;
    }
};

} // namespace

class DeviceMenuTest : public QObject
{
    Q_OBJECT

private slots:
    void listsAndTitles_data()
    {
        QTest::addColumn<int>("units");
        QTest::addColumn<bool>("named"); // --device given
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<QString>("title");
        QTest::newRow("one unit") << 1 << false << QStringList{"2023  1-4 *"}
                                  << "KORVALIS UTILITY";
        QTest::newRow("one unit, named") << 1 << true << QStringList{"2023  1-4 *"}
                                         << "KORVALIS UTILITY - 1-4";
        QTest::newRow("two units") << 2 << false << QStringList{"2023  1-4 *", "2023  1-5"}
                                   << "KORVALIS UTILITY - 1-4";
    }
    void listsAndTitles()
    {
        QFETCH(int, units);
        QFETCH(bool, named);
        QFETCH(QStringList, entries);
        QFETCH(QString, title);
        Rig rig(units, named);
        QCOMPARE(rig.entries(), entries);
        QCOMPARE(rig.window->windowTitle(), title);
    }

    void switchesToAnotherUnit()
    {
        Rig rig(2, false);
        QCOMPARE(rig.window->findChild<QLabel *>("labelFw1")->text(),
                 QStringLiteral("ver: 1.11.0.5"));
        rig.serving = &rig.unitB;
        rig.menu->menu()->actions().value(1)->trigger();
        QCOMPARE(rig.link.deviceWhere(), QStringLiteral("1-5"));
        QCOMPARE(rig.window->findChild<QLabel *>("labelFw1")->text(),
                 QStringLiteral("ver: 2.3.4.5"));
        QCOMPARE(rig.window->statusBar()->currentMessage(),
                 QStringLiteral("KORVALIS USB connected"));
        QCOMPARE(rig.window->windowTitle(), QStringLiteral("KORVALIS UTILITY - 1-5"));
        QCOMPARE(rig.entries(), (QStringList{"2023  1-4", "2023  1-5 *"}));
        QVERIFY(rig.window->pollTimerRunning());
    }
};

QTEST_MAIN(DeviceMenuTest)
#include "DeviceMenuTest.moc"
