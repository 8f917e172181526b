#include "device/CombinedUsbApi.h"
#include "FakeClock.h"
#include "sim/ModelUsbApi.h"
#include "RecordingAlerts.h"
#include "device/DeviceLink.h"

#include <QtTest>

// Real devices first, then virtual ones; the lowest index wins.
class CombinedUsbApiTest : public QObject
{
    Q_OBJECT

private slots:
    void order_data()
    {
        QTest::addColumn<QStringList>("real");
        QTest::addColumn<int>("realCountStatus");
        QTest::addColumn<QStringList>("virtualIds");
        QTest::addColumn<int>("opened"); // 0 real, 1 virtual, -1 none
        QTest::newRow("real before virtual")
            << QStringList{"x", "2023"} << 0 << QStringList{"2023"} << 0;
        QTest::newRow("only virtual") << QStringList{"x"} << 0 << QStringList{"2023"} << 1;
        QTest::newRow("real listing fails") << QStringList{"2023"} << 4 << QStringList{"2023"} << 1;
        QTest::newRow("none") << QStringList{} << 0 << QStringList{"2024"} << -1;
    }
    void order()
    {
        QFETCH(QStringList, real);
        QFETCH(int, realCountStatus);
        QFETCH(QStringList, virtualIds);
        QFETCH(int, opened);
        FakeClock clock;
        ModelUsbApi backends[2] = {ModelUsbApi(clock), ModelUsbApi(clock)};
        for (const QString &id : real)
            backends[0].devices.append(FakeDevice{id.toLatin1()});
        backends[0].countStatus = realCountStatus;
        for (const QString &id : virtualIds)
            backends[1].devices.append(FakeDevice{id.toLatin1()});
        backends[1].script.append(ScriptedReply::of(QByteArray("\xE1\x00", 2)));
        backends[0].script.append(ScriptedReply::of(QByteArray("\xE1\x00", 2)));
        CombinedUsbApi usb{&backends[0], &backends[1]};
        RecordingAlerts alerts;
        DeviceLink link(usb, clock, alerts);

        std::uint32_t index = 0;
        const bool found = link.findDevice(DeviceLink::deviceIdString, index);
        QCOMPARE(found, opened >= 0);
        if (!found)
            return;
        QVERIFY(link.openDevice(index));
        cmd::ReplyBuffer reply{};
        QCOMPARE(link.transact(reply, cmd::settingsRead(cmd::SettingsReplyLength)), 0); // short
        for (int b = 0; b < 2; ++b) {
            QCOMPARE(backends[b].opens, b == opened ? 1 : 0);
            QCOMPARE(int(backends[b].writes.size()), b == opened ? 1 : 0);
        }
        link.closeDevice();
        QCOMPARE(backends[opened].closes, 1);
    }

    void countFailsOnlyWhenEveryBackendFails()
    {
        FakeClock clock;
        ModelUsbApi a(clock), b(clock);
        a.countStatus = 4;
        b.countStatus = 5;
        CombinedUsbApi usb{&a, &b};
        std::uint32_t count = 7;
        QCOMPARE(usb.getNumDevices(&count), 4);
        QCOMPARE(count, 0u);
    }
};

QTEST_GUILESS_MAIN(CombinedUsbApiTest)
#include "CombinedUsbApiTest.moc"
