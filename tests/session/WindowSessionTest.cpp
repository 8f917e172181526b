// What the window's device work sends and reports, on the device model in fake time: the
// write-backs a poll causes, a refused write, an HDR send whose store failed.
#include "session/WindowSession.h"
#include "session/DeviceSession.h"
#include "session/ShownSettings.h"
#include "settings/Catalog.h"

#include "ModelLink.h"

#include <QtTest>

using settings::Id;

namespace
{

settings::SettingBytes bytesWith(std::initializer_list<std::pair<Id, int>> values)
{
    settings::SettingBytes b{};
    for (const auto &[id, value] : values)
        b[std::size_t(settings::settingOf(id)->byte)] = std::uint8_t(value);
    return b;
}

QString describe(const std::vector<session::ShownSettings::WriteBack> &writes)
{
    QStringList out;
    for (const auto &w : writes)
        out << QStringLiteral("%1=%2")
                   .arg(QLatin1String(settings::settingOf(w.id)->name))
                   .arg(w.value);
    return out.join(' ');
}

} // namespace

class WindowSessionTest : public QObject
{
    Q_OBJECT

private slots:
    // Check boxes write back every change the poll shows; combo boxes only once filled and
    // initialised, and not while a value they lack clears them.
    void writeBacks_data()
    {
        QTest::addColumn<bool>("filled");
        QTest::addColumn<bool>("initialised");
        QTest::addColumn<int>("input"); // device byte of the input setting (1..4)
        QTest::addColumn<int>("cec");
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("second"); // the same block shown again
        QTest::newRow("start-up poll: boxes only") << false << false << 2 << 1 << "cec=1"
                                                   << "";
        QTest::newRow("filled, not initialised") << true << false << 2 << 0 << ""
                                                 << "";
        QTest::newRow("filled and initialised") << true << true << 3 << 1 << "input=3 cec=1"
                                                << "";
        QTest::newRow("first item shown already") << true << true << 1 << 0 << ""
                                                  << "";
        QTest::newRow("value the box lacks") << true << true << 9 << 0 << ""
                                             << "";
    }
    void writeBacks()
    {
        QFETCH(bool, filled);
        QFETCH(bool, initialised);
        QFETCH(int, input);
        QFETCH(int, cec);
        QFETCH(QString, first);
        QFETCH(QString, second);
        session::ShownSettings shown;
        if (filled)
            shown.fillCombos();
        const auto block = bytesWith({{Id::Input, input}, {Id::Cec, cec}});
        QCOMPARE(describe(shown.show(block, initialised)), first);
        QCOMPARE(describe(shown.show(block, initialised)), second);
    }

    void clearedComboWritesBackOnItsReturn()
    {
        session::ShownSettings shown;
        shown.fillCombos();
        QCOMPARE(describe(shown.show(bytesWith({{Id::Input, 9}}), true)), QString());
        QCOMPARE(describe(shown.show(bytesWith({{Id::Input, 1}}), true)),
                 QStringLiteral("input=1"));
    }

    // A write the device did not echo: the copy keeps the device's byte, the shown state goes
    // back to it (so the next poll showing that byte writes nothing back).
    void refusedWriteKeepsTheDeviceValue()
    {
        ModelLink m;
        session::DeviceSession s(m.link);
        session::WindowSession w(s);
        m.model.setSetting(settings::settingOf(Id::Cec)->byte, 1);
        m.model.setBusy(false);
        QVERIFY(w.startUp("2023").opened);
        m.model.addFault({DeviceModel::FaultKind::WrongEcho, cmd::RegisterWrite, 1, 0});
        const session::SettingResult r = w.writeSetting(Id::Cec, 0);
        // A device that did not take the value still holds its own.
        m.model.setSetting(settings::settingOf(Id::Cec)->byte, 1);
        m.model.setBusy(false);
        QVERIFY(!r.ok);
        QCOMPARE(r.copy[std::size_t(settings::settingOf(Id::Cec)->byte)], std::uint8_t(1));
        QVERIFY(!r.steps.isEmpty());
        QCOMPARE(r.steps.last().op, session::Op::SettingWrite);
        QCOMPARE(r.steps.last().result, cmd::Result::WrongEcho);
        m.model.clearLog();
        w.tick();
        QCOMPARE(m.model.registerWrites(settings::settingOf(Id::Cec)->reg),
                 QList<std::uint8_t>{});
    }

    void hdrSendCountsTheStore_data()
    {
        QTest::addColumn<int>("faultCode"); // wrong echo on this command; 0: none
        QTest::addColumn<bool>("ok");
        QTest::newRow("stored and activated") << 0 << true;
        QTest::newRow("store refused") << int(cmd::HdrInfoframeWrite) << false;
        QTest::newRow("activate refused") << int(cmd::Activate) << false;
    }
    void hdrSendCountsTheStore()
    {
        QFETCH(int, faultCode);
        QFETCH(bool, ok);
        ModelLink m;
        session::DeviceSession s(m.link);
        session::WindowSession w(s);
        QVERIFY(w.startUp("2023").opened);
        if (faultCode != 0)
            m.model.addFault({DeviceModel::FaultKind::WrongEcho, faultCode, 1, 0});
        m.model.clearLog();
        const session::CommandResult r = w.sendHdr(QByteArray::fromHex("8701021122"));
        QCOMPARE(r.ok, ok);
        QCOMPARE(m.model.countRequests(cmd::Activate), 1); // the activate goes out either way
    }

    // The AVI send is done only when the replace-avi register took its value too.
    void aviSendChecksEveryStep_data()
    {
        QTest::addColumn<int>("faultCode"); // wrong echo on this command; 0: none
        QTest::addColumn<bool>("ok");
        QTest::addColumn<int>("activates");
        QTest::newRow("all taken") << 0 << true << 1;
        QTest::newRow("store refused: nothing activated") << int(cmd::AviInfoframeWrite) << false
                                                          << 0;
        QTest::newRow("replace-avi refused") << int(cmd::RegisterWrite) << false << 1;
    }
    void aviSendChecksEveryStep()
    {
        QFETCH(int, faultCode);
        QFETCH(bool, ok);
        QFETCH(int, activates);
        ModelLink m;
        session::DeviceSession s(m.link);
        session::WindowSession w(s);
        QVERIFY(w.startUp("2023").opened);
        const std::size_t replaceByte = std::size_t(settings::settingOf(Id::ReplaceAvi)->byte);
        if (faultCode != 0)
            m.model.addFault({DeviceModel::FaultKind::WrongEcho, faultCode, 1, 0});
        m.model.clearLog();
        const session::CommandResult r = w.sendAvi(QByteArray::fromHex("60c8606100"), true);
        QCOMPARE(r.ok, ok);
        QCOMPARE(m.model.countRequests(cmd::Activate), activates);
        // The copy holds what the device took.
        QCOMPARE(r.copy[replaceByte], std::uint8_t(ok ? 1 : 0));
    }
};

QTEST_MAIN(WindowSessionTest)
#include "WindowSessionTest.moc"
