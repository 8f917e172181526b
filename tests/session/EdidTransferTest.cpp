// The EDID transfers as device operations of the session, on the in-process device.
#include "edid/EdidTransfer.h"
#include "session/DeviceSession.h"

#include "ModelLink.h"

#include <QtTest>

namespace
{

using Kind = DeviceModel::FaultKind;

using session::Op;
using Result = cmd::Result;

struct Rig : ModelLink {
    session::DeviceSession device{link};

    Rig()
    {
        device.open("2023");
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
    QTest::addColumn<int>("busy");   // how the wait ended
    QTest::newRow("idle soon") << false << false << -1 << int(Result::Done);
    QTest::newRow("never idle") << true << false << 502 << int(Result::StillBusy);
    QTest::newRow("failed read ends the wait") << true << true << 1 << int(Result::WrongEcho);
}

void EdidTransferTest::busyWait()
{
    QFETCH(bool, neverIdle);
    QFETCH(bool, settingsReadFails);
    QFETCH(int, checks);
    QFETCH(int, busy);
    Rig rig;
    rig.model.setBusy(neverIdle);
    if (settingsReadFails)
        rig.model.addFault({Kind::WrongEcho, cmd::SettingsRead, 1, 0});
    const session::EdidRead out = rig.device.readEdid(edid::Source::Own);
    // The table is read however the wait ended; how it ended is told.
    QVERIFY(out.ok());
    QCOMPARE(int(out.busy.result), busy);
    const int reads = rig.model.countRequests(cmd::SettingsRead);
    if (checks < 0)
        QVERIFY(reads >= 1);
    else
        QCOMPARE(reads, checks);
    QCOMPARE(QByteArray(reinterpret_cast<const char *>(out.table.data()), 256),
             rig.model.ownEdid());
    QCOMPARE(out.step.op, Op::EdidRead);
}

void EdidTransferTest::silentChunkReadFails()
{
    // The chunk read has no echo: a chunk that never arrived must not pass as table bytes.
    Rig rig;
    rig.model.addFault({Kind::NoReply, cmd::EdidData, 1, 0});
    QList<int> progress;
    const session::EdidRead out = rig.device.readEdid(
        edid::Source::DisplayA, [&](int v, int max) { progress << v << max; });
    QCOMPARE(out.step.op, Op::EdidChunkRead);
    QCOMPARE(out.step.result, Result::NoReply);
    QCOMPARE(rig.model.countRequests(cmd::EdidData), 1);
    QCOMPARE(progress, (QList<int>{0, 255, 0, 0}));
}

void EdidTransferTest::writeStops_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("result");
    QTest::newRow("chunk silent") << int(Kind::NoReply) << int(cmd::EdidData)
                                  << int(Result::NoReply);
    QTest::newRow("chunk not echoed")
        << int(Kind::WrongEcho) << int(cmd::EdidData) << int(Result::WrongEcho);
    QTest::newRow("commit not echoed")
        << int(Kind::WrongEcho) << int(cmd::EdidCommit) << int(Result::WrongEcho);
}

void EdidTransferTest::writeStops()
{
    QFETCH(int, kind);
    QFETCH(int, code);
    QFETCH(int, result);
    Rig rig;
    const QByteArray before = rig.model.uploadedEdid();
    rig.model.addFault({Kind(kind), code, 1, 0});
    edid::Table table{};
    table.fill(0x5A);
    const std::uint32_t start = rig.clock.now;
    const session::Step out = rig.device.writeEdid(table);
    const bool chunkFailed = code == cmd::EdidData;
    QCOMPARE(out.op, chunkFailed ? Op::EdidChunkWrite : Op::EdidCommit);
    QCOMPARE(int(out.result), result);
    QCOMPARE(rig.model.countRequests(cmd::EdidData, cmd::DirWrite), chunkFailed ? 1 : 32);
    QCOMPARE(rig.model.countRequests(cmd::EdidCommit), chunkFailed ? 0 : 1);
    if (chunkFailed) { // nothing half-written is stored, and one time-out at most
        QCOMPARE(rig.model.uploadedEdid(), before);
        QVERIFY(rig.clock.now - start < 2 * DeviceLink::ReplyTimeoutMs);
    }
}

QTEST_GUILESS_MAIN(EdidTransferTest)
#include "EdidTransferTest.moc"
