// The EDID transfers as operations over the command primitives, on the in-process device.
#include "edid/EdidTransfer.h"
#include "device/CommandPrimitives.h"

#include "ModelLink.h"

#include <QtTest>

namespace
{

using Kind = DeviceModel::FaultKind;

struct Rig : ModelLink {
    QStringList messages;
    CommandPrimitives primitives{link, [this](const QString &t, int) { messages << t; }};

    Rig()
    {
        std::uint32_t index = 0;
        link.findDevice("2023", index);
        link.openDevice(index);
        model.clearLog();
    }
};

} // namespace

class EdidTransferTest : public QObject
{
    Q_OBJECT

private slots:
    void busyWait_data();
    void busyWait();
    void silentChunkReadFails();
    void writeStops_data();
    void writeStops();
};

void EdidTransferTest::busyWait_data()
{
    QTest::addColumn<bool>("neverIdle");
    QTest::addColumn<bool>("settingsReadFails");
    QTest::addColumn<int>("checks"); // -1: at least one
    QTest::newRow("idle soon") << false << false << -1;
    QTest::newRow("never idle") << true << false << 502;
    QTest::newRow("failed read ends the wait") << true << true << 1;
}

void EdidTransferTest::busyWait()
{
    QFETCH(bool, neverIdle);
    QFETCH(bool, settingsReadFails);
    QFETCH(int, checks);
    Rig rig;
    rig.model.setBusy(neverIdle);
    if (settingsReadFails)
        rig.model.addFault({Kind::WrongEcho, cmd::SettingsRead, 1, 0});
    const edid::ReadOutcome out = edid::readEdidTable(rig.primitives, edid::Source::Own, {});
    QVERIFY(out.ok());
    QCOMPARE(rig.model.countRequests(cmd::SettingsRead), out.busyChecks);
    if (checks < 0)
        QVERIFY(out.busyChecks >= 1);
    else
        QCOMPARE(out.busyChecks, checks);
    QCOMPARE(QByteArray(reinterpret_cast<const char *>(out.table.data()), 256),
             rig.model.ownEdid());
    QCOMPARE(out.message.text, QStringLiteral("EDID values read."));
}

void EdidTransferTest::silentChunkReadFails()
{
    // The chunk read has no echo: a chunk that never arrived must not pass as table bytes.
    Rig rig;
    rig.model.addFault({Kind::NoReply, cmd::EdidData, 1, 0});
    QList<int> progress;
    const edid::ReadOutcome out = edid::readEdidTable(
        rig.primitives, edid::Source::DisplayA, [&](int v, int max) { progress << v << max; });
    QCOMPARE(out.result, edid::ReadOutcome::ChunkFailed);
    QVERIFY(out.message.text.isEmpty());
    QCOMPARE(rig.model.countRequests(cmd::EdidData), 1);
    QCOMPARE(progress, (QList<int>{0, 255, 0, 0}));
}

void EdidTransferTest::writeStops_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("message");
    QTest::newRow("chunk silent") << int(Kind::NoReply) << int(cmd::EdidData)
                                  << "Error Writing EDID values.";
    QTest::newRow("chunk not echoed")
        << int(Kind::WrongEcho) << int(cmd::EdidData) << "Error Writing EDID values.";
    QTest::newRow("commit not echoed")
        << int(Kind::WrongEcho) << int(cmd::EdidCommit) << "Error Populating EDID values.";
}

void EdidTransferTest::writeStops()
{
    QFETCH(int, kind);
    QFETCH(int, code);
    QFETCH(QString, message);
    Rig rig;
    const QByteArray before = rig.model.uploadedEdid();
    rig.model.addFault({Kind(kind), code, 1, 0});
    edid::Table table{};
    table.fill(0x5A);
    const std::uint32_t start = rig.clock.now;
    const edid::WriteOutcome out = edid::writeEdidTable(rig.primitives, table, {});
    QVERIFY(!out.ok());
    QCOMPARE(out.message.text, message);
    const bool chunkFailed = code == cmd::EdidData;
    QCOMPARE(out.message.timeoutMs, chunkFailed ? 4000 : 2000);
    QCOMPARE(rig.model.countRequests(cmd::EdidData, cmd::DirWrite), chunkFailed ? 1 : 32);
    QCOMPARE(rig.model.countRequests(cmd::EdidCommit), chunkFailed ? 0 : 1);
    if (chunkFailed) { // nothing half-written is stored, and one time-out at most
        QCOMPARE(rig.model.uploadedEdid(), before);
        QVERIFY(rig.clock.now - start < 2 * DeviceLink::ReplyTimeoutMs);
    }
}

QTEST_GUILESS_MAIN(EdidTransferTest)
#include "EdidTransferTest.moc"
