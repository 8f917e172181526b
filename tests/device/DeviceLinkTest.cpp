#include "device/DeviceLink.h"
#include "Bytes.h"
#include "FakeLink.h"

#include <QtTest>

namespace
{
const QString NotConnected = QStringLiteral("KORVALIS USB not connected!");
const QByteArray Request = QByteArray::fromHex("1104e0");

} // namespace

Q_DECLARE_METATYPE(FakeDevice)

class DeviceLinkTest : public QObject
{
    Q_OBJECT

    // Fresh doubles for every test function.
    using Rig = FakeLink;
    std::unique_ptr<Rig> rig;

    void openDevice(const QByteArray &id = "2023")
    {
        rig->usb.devices = {{id}};
        std::uint32_t index = 99;
        QVERIFY(rig->link.findDevice(DeviceLink::deviceIdString, index));
        QVERIFY(rig->link.openDevice(index));
    }
    std::uint8_t send(cmd::ReplyBuffer &reply, std::uint8_t minimum = 2)
    {
        return rig->link.transact(reply,
                                  reinterpret_cast<const std::uint8_t *>(Request.constData()),
                                  minimum, std::uint8_t(Request.size()));
    }

private slots:
    void init()
    {
        rig = std::make_unique<Rig>();
        rig->clock.now = 1000;
    }

    void findDevice_data()
    {
        QTest::addColumn<QList<QByteArray>>("ids");
        QTest::addColumn<QList<int>>("failingQueries");
        QTest::addColumn<int>("countStatus");
        QTest::addColumn<int>("expectedIndex"); // -1: not found

        QTest::newRow("no device") << QList<QByteArray>{} << QList<int>{} << 0 << -1;
        QTest::newRow("count query fails") << QList<QByteArray>{"2023"} << QList<int>{} << 1 << -1;
        QTest::newRow("near misses refused")
            << QList<QByteArray>{"2023 ", "02023", " 2023", "202", "20230"} << QList<int>{} << 0
            << -1;
        QTest::newRow("lowest of two matches")
            << QList<QByteArray>{"1999", "2023", "2023"} << QList<int>{} << 0 << 1;
        QTest::newRow("failed string query skipped")
            << QList<QByteArray>{"2023", "2023"} << QList<int>{0} << 0 << 1;
        QTest::newRow("only failing queries")
            << QList<QByteArray>{"2023"} << QList<int>{0} << 0 << -1;
    }
    void findDevice()
    {
        QFETCH(QList<QByteArray>, ids);
        QFETCH(QList<int>, failingQueries);
        QFETCH(int, countStatus);
        QFETCH(int, expectedIndex);
        for (int i = 0; i < ids.size(); ++i)
            rig->usb.devices.append({ids[i], failingQueries.contains(i)});
        rig->usb.countStatus = countStatus;

        std::uint32_t index = 77;
        const std::uint8_t found = rig->link.findDevice(DeviceLink::deviceIdString, index);

        QCOMPARE(rig->link.deviceHandle(), UsbApi::NoHandle);
        if (expectedIndex < 0) {
            QCOMPARE(found, std::uint8_t(0));
            QCOMPARE(index, 77u);
            QCOMPARE(rig->alerts.shown, QStringList{NotConnected});
        } else {
            QCOMPARE(found, std::uint8_t(1));
            QCOMPARE(index, std::uint32_t(expectedIndex));
            QVERIFY(rig->alerts.shown.isEmpty());
        }
    }

    void openFailureLeavesNoHandle()
    {
        rig->usb.devices = {{"2023", false, 9}};
        QCOMPARE(rig->link.openDevice(0), std::uint8_t(0));
        QCOMPARE(rig->link.deviceHandle(), UsbApi::NoHandle);
        QCOMPARE(rig->alerts.shown, QStringList{"Usb device open error!"});
    }

    void closeDevice()
    {
        rig->link.closeDevice(); // nothing open: no library call, no box
        QCOMPARE(rig->usb.closes, 0);
        openDevice();
        rig->usb.devices[0].closeStatus = 3;
        rig->link.closeDevice();
        QCOMPARE(rig->usb.closes, 1);
        QCOMPARE(rig->alerts.shown, QStringList{"Unable to close device handle!"});
        QCOMPARE(rig->link.deviceHandle(), UsbApi::NoHandle);
    }

    void transactWithoutDevice()
    {
        cmd::ReplyBuffer reply;
        reply.fill(0xAA);
        QCOMPARE(send(reply), std::uint8_t(1));
        QVERIFY(rig->usb.writes.isEmpty());
        QCOMPARE(rig->usb.flushes, 0);
        QVERIFY(std::all_of(reply.begin(), reply.end(), [](auto b) { return b == 0xAA; }));
        QCOMPARE(rig->link.busy(), std::uint8_t(0));
        const DeviceLink::ExchangeInfo &info = rig->link.lastExchange();
        QVERIFY(!info.deviceOpen && !info.replied && !info.timedOut);
        QCOMPARE(info.bytesReceived, 0u);
    }

    // Outcome of one exchange for a scripted device.
    void transactOutcomes_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<bool>("silent");
        QTest::addColumn<int>("minimum");
        QTest::addColumn<int>("expectedResult");
        QTest::addColumn<int>("expectedCopied"); // -1: reply buffer untouched

        QTest::newRow("full reply") << QByteArray::fromHex("e0010203") << false << 4 << 1 << 4;
        QTest::newRow("1 byte, minimum 2") << QByteArray::fromHex("e0") << false << 2 << 0 << 1;
        QTest::newRow("80 bytes") << QByteArray(80, '\x5c') << false << 2 << 1 << 64;
        QTest::newRow("silent device") << QByteArray() << true << 2 << 1 << -1;
    }
    void transactOutcomes()
    {
        QFETCH(QByteArray, reply);
        QFETCH(bool, silent);
        QFETCH(int, minimum);
        QFETCH(int, expectedResult);
        QFETCH(int, expectedCopied);
        openDevice();
        rig->usb.script = {silent ? ScriptedReply::silence() : ScriptedReply::of(reply, 25)};

        cmd::ReplyBuffer buffer;
        buffer.fill(0xAA);
        const std::uint32_t start = rig->clock.now;
        QCOMPARE(send(buffer, std::uint8_t(minimum)), std::uint8_t(expectedResult));
        QCOMPARE(rig->usb.writes, QList<QByteArray>{Request});
        QCOMPARE(rig->link.busy(), std::uint8_t(0));
        const DeviceLink::ExchangeInfo &info = rig->link.lastExchange();
        QVERIFY(info.deviceOpen);
        QCOMPARE(info.timedOut, silent);
        QCOMPARE(info.replied, !silent);
        QCOMPARE(int(info.bytesReceived), std::max(expectedCopied, 0));
        if (expectedCopied < 0) {
            QVERIFY(std::all_of(buffer.begin(), buffer.end(), [](auto b) { return b == 0xAA; }));
            QCOMPARE(rig->clock.now - start, 4000u); // gives up exactly at the deadline
        } else {
            QCOMPARE(bytes(buffer, expectedCopied), reply.left(expectedCopied));
            if (expectedCopied < cmd::ReplySize)
                QCOMPARE(buffer[expectedCopied], std::uint8_t(0xAA));
        }
    }

    void longReplyRestIsFlushedByNextExchange()
    {
        openDevice();
        QByteArray longReply(80, '\x11');
        longReply[64] = '\x99';
        rig->usb.script = {ScriptedReply::of(longReply),
                           ScriptedReply::of(QByteArray::fromHex("e0aa"))};
        cmd::ReplyBuffer reply{};
        QCOMPARE(send(reply), std::uint8_t(1));
        QCOMPARE(rig->usb.queued().size(), 16);
        QCOMPARE(send(reply), std::uint8_t(1));
        QCOMPARE(bytes(reply, 2), QByteArray::fromHex("e0aa"));
        QCOMPARE(rig->usb.flushes, 2);
        QVERIFY(rig->usb.queued().isEmpty());
    }

    void tickWrapDuringWait_data()
    {
        QTest::addColumn<std::uint32_t>("start");
        QTest::addColumn<std::uint32_t>("delay");
        QTest::addColumn<bool>("expectReply");
        QTest::newRow("silent across wrap") << 0xFFFFFFFFu - 10 << 0u << false;
        QTest::newRow("late reply across wrap") << 0xFFFFFFFFu - 1000 << 3500u << true;
        QTest::newRow("silent starting at max") << 0xFFFFFFFFu << 0u << false;
    }
    void tickWrapDuringWait()
    {
        QFETCH(std::uint32_t, start);
        QFETCH(std::uint32_t, delay);
        QFETCH(bool, expectReply);
        openDevice();
        rig->clock.now = start;
        rig->usb.script = {expectReply ? ScriptedReply::of(QByteArray::fromHex("e001"), delay)
                                       : ScriptedReply::silence()};
        cmd::ReplyBuffer reply{};
        QCOMPARE(send(reply), std::uint8_t(1));
        const std::uint32_t elapsed = rig->clock.now - start;
        if (expectReply) {
            QCOMPARE(reply[0], std::uint8_t(0xE0));
            QCOMPARE(elapsed, delay);
        } else {
            QCOMPARE(reply[0], std::uint8_t(0));
            QCOMPARE(elapsed, 4000u);
        }
    }

    void failures_data()
    {
        QTest::addColumn<bool>("failWrite");
        QTest::addColumn<bool>("failRead");
        QTest::addColumn<int>("failingChecks");
        QTest::addColumn<int>("expectedReads");
        QTest::addColumn<int>("expectedAlerts");
        QTest::addColumn<bool>("replyCopied");
        QTest::newRow("write fails") << true << false << 0 << 0 << 0 << false;
        QTest::newRow("read fails, bytes still copied") << false << true << 0 << 1 << 0 << true;
        // A queue that cannot be checked (unplugged during the wait): one alert, not one per retry.
        QTest::newRow("queue checks keep failing") << false << false << 1000 << 0 << 1 << false;
    }
    void failures()
    {
        QFETCH(bool, failWrite);
        QFETCH(bool, failRead);
        QFETCH(int, failingChecks);
        QFETCH(int, expectedReads);
        QFETCH(int, expectedAlerts);
        QFETCH(bool, replyCopied);
        openDevice();
        rig->usb.failWrites = failWrite;
        rig->usb.failReads = failRead;
        rig->usb.failQueueChecks = failingChecks;
        rig->usb.script = {ScriptedReply::of(QByteArray::fromHex("e0112233"))};

        cmd::ReplyBuffer reply{};
        QCOMPARE(send(reply), std::uint8_t(0));
        QCOMPARE(rig->usb.timeoutsAtRead.size(), expectedReads);
        QCOMPARE(rig->alerts.shown.size(), expectedAlerts);
        for (const QString &text : rig->alerts.shown)
            QCOMPARE(text, QStringLiteral("Error Checking RX Queue"));
        QCOMPARE(reply[0], std::uint8_t(replyCopied ? 0xE0 : 0));
        QCOMPARE(rig->link.busy(), std::uint8_t(0));
        if (failingChecks > 0)
            QVERIFY(rig->link.deviceLost()); // the handle is dropped, the next exchange reopens
    }

    // Unplugged: the write fails and the handle is dropped; replugged (perhaps at another
    // index, beside another device): the next exchange opens it again, all without alerts.
    void lostDeviceIsReopenedByTheNextExchange()
    {
        openDevice();
        rig->usb.failWrites = true;
        rig->usb.devices.clear();
        cmd::ReplyBuffer reply{};
        QCOMPARE(send(reply), std::uint8_t(0));
        QVERIFY(!rig->link.isOpen());
        QVERIFY(rig->link.deviceLost());
        QCOMPARE(rig->usb.closes, 1);

        const int writes = int(rig->usb.writes.size());
        send(reply); // still away: nothing to send to
        QCOMPARE(int(rig->usb.writes.size()), writes);
        QVERIFY(!rig->link.lastExchange().deviceOpen);

        rig->usb.failWrites = false;
        rig->usb.devices = {{"other"}, {"2023"}};
        rig->usb.script = {ScriptedReply::of(QByteArray::fromHex("e0112233"))};
        QCOMPARE(send(reply), std::uint8_t(1));
        QCOMPARE(bytes(reply, 4), QByteArray::fromHex("e0112233"));
        QCOMPARE(rig->link.deviceIndex(), 1u);
        QVERIFY(rig->link.isOpen() && !rig->link.deviceLost());
        QVERIFY(rig->alerts.shown.isEmpty());
    }

    // Two units with the id; the one opened (named by its place, or the first) is lost. Only
    // that unit, back at its own place, is opened again: never the other one. Where the
    // library tells no places, the id decides only while one unit alone has it.
    void lostUnitIsReopenedOnlyAtItsPlace_data()
    {
        QTest::addColumn<QByteArray>("chosen");
        QTest::addColumn<QList<FakeDevice>>("before");
        QTest::addColumn<QList<FakeDevice>>("after");
        QTest::addColumn<int>("reopened"); // index in `after`; -1: nothing opened

        const FakeDevice a{"2023", false, 0, 0, "1-4.2"}, b{"2023", false, 0, 0, "1-4.3"};
        const FakeDevice bare{"2023"}, other{"7777"};
        QTest::newRow("same place back")
            << QByteArray("1-4.2") << QList<FakeDevice>{b, a} << QList<FakeDevice>{a, b} << 0;
        QTest::newRow("only the other unit present")
            << QByteArray("1-4.2") << QList<FakeDevice>{a, b} << QList<FakeDevice>{b} << -1;
        QTest::newRow("both present: the one at the old place")
            << QByteArray("1-4.2") << QList<FakeDevice>{a, b} << QList<FakeDevice>{b, a} << 1;
        QTest::newRow("by id: the first, back at its place")
            << QByteArray("2023") << QList<FakeDevice>{a, b} << QList<FakeDevice>{b, a} << 1;
        QTest::newRow("by id: only the other unit present")
            << QByteArray("2023") << QList<FakeDevice>{a, b} << QList<FakeDevice>{b} << -1;
        QTest::newRow("another id at the old place")
            << QByteArray("1-4.2") << QList<FakeDevice>{a, b}
            << QList<FakeDevice>{FakeDevice{"7777", false, 0, 0, "1-4.2"}, b} << -1;
        QTest::newRow("no places, one unit with the id")
            << QByteArray("2023") << QList<FakeDevice>{bare} << QList<FakeDevice>{other, bare} << 1;
        QTest::newRow("no places, two units with the id")
            << QByteArray("2023") << QList<FakeDevice>{bare} << QList<FakeDevice>{bare, bare} << -1;
    }
    void lostUnitIsReopenedOnlyAtItsPlace()
    {
        QFETCH(QByteArray, chosen);
        QFETCH(QList<FakeDevice>, before);
        QFETCH(QList<FakeDevice>, after);
        QFETCH(int, reopened);
        rig->usb.devices = before;
        std::uint32_t index = 99;
        QVERIFY(rig->link.findDevice(chosen, index));
        QVERIFY(rig->link.openDevice(index));
        // Unplugged: the tick's write fails and the handle is dropped.
        rig->usb.failWrites = true;
        cmd::ReplyBuffer reply{};
        QCOMPARE(send(reply), std::uint8_t(0));
        QVERIFY(rig->link.deviceLost());

        rig->usb.failWrites = false;
        rig->usb.devices = after;
        const int opens = rig->usb.opens;
        const qsizetype writes = rig->usb.writes.size();
        for (int exchange = 0; exchange < 3; ++exchange) { // the rest of the tick, the clicks
            rig->usb.script = {ScriptedReply::of(QByteArray::fromHex("e0112233"))};
            reply.fill(0);
            QCOMPARE(send(reply), std::uint8_t(1));
            if (reopened < 0) {
                QVERIFY(!rig->link.lastExchange().deviceOpen);
                QCOMPARE(reply[0], std::uint8_t(0)); // untouched: nothing answered
            } else {
                QCOMPARE(bytes(reply, 4), QByteArray::fromHex("e0112233"));
            }
        }
        if (reopened < 0) {
            QCOMPARE(rig->usb.opens, opens);
            QCOMPARE(rig->usb.writes.size(), writes);
            QVERIFY(!rig->link.isOpen());
            QVERIFY(rig->link.deviceLost());
        } else {
            QCOMPARE(rig->usb.opens, opens + 1);
            QCOMPARE(rig->link.deviceIndex(), std::uint32_t(reopened));
            // Every exchange went to the unit reopened (the fake's handle is 100 + index).
            const QList<UsbApi::Handle> handles = rig->usb.writeHandles.mid(writes);
            QCOMPARE(handles, QList<UsbApi::Handle>(3, UsbApi::Handle(100 + reopened)));
        }
        QVERIFY(rig->alerts.shown.isEmpty());
    }

    void timeoutsRestoredAroundEveryReadAndWrite_data()
    {
        QTest::addColumn<bool>("failWrite");
        QTest::addColumn<bool>("failRead");
        QTest::newRow("both succeed") << false << false;
        QTest::newRow("write fails") << true << false;
        QTest::newRow("read fails") << false << true;
    }
    void timeoutsRestoredAroundEveryReadAndWrite()
    {
        QFETCH(bool, failWrite);
        QFETCH(bool, failRead);
        openDevice();
        rig->usb.failWrites = failWrite;
        rig->usb.failReads = failRead;
        rig->usb.script = {ScriptedReply::of(QByteArray::fromHex("e001"))};
        cmd::ReplyBuffer reply{};
        send(reply);
        using Pair = QPair<std::uint32_t, std::uint32_t>;
        QCOMPARE(rig->usb.timeoutsAtWrite, QList<Pair>{Pair(0, 4000)});
        if (!failWrite)
            QCOMPARE(rig->usb.timeoutsAtRead, QList<Pair>{Pair(4000, 0)});
        QCOMPARE(Pair(rig->usb.readTimeout, rig->usb.writeTimeout), Pair(1234, 5678));
    }

    void busyFlagSetDuringExchange()
    {
        openDevice();
        int seenBusy = -1;
        rig->usb.responder = [&](const QByteArray &) {
            seenBusy = rig->link.busy();
            return std::optional<QByteArray>(QByteArray::fromHex("e001"));
        };
        cmd::ReplyBuffer reply{};
        send(reply);
        QCOMPARE(seenBusy, 1);
        QCOMPARE(rig->link.busy(), std::uint8_t(0));
    }

    void libraryOverreportingReadIsBounded()
    {
        openDevice();
        rig->usb.readReportsExtra = 1000; // a library claiming more than the capacity
        rig->usb.script = {ScriptedReply::of(QByteArray(64, '\x42'))};
        cmd::ReplyBuffer reply{};
        QCOMPARE(send(reply), std::uint8_t(1));
        QCOMPARE(reply[63], std::uint8_t(0x42));
    }
};

QTEST_GUILESS_MAIN(DeviceLinkTest)
#include "DeviceLinkTest.moc"
