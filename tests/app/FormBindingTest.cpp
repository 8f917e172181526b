// The register map without widgets: poll operations, slot values, poll and reset decisions.
#include "app/FormBinding.h"

#include <QMap>
#include <QSet>
#include <QtTest>

using namespace settings;
using namespace binding;

namespace
{

class MapControls : public ControlStates
{
public:
    QSet<QString> checked;
    QMap<QString, int> indexes;
    bool isChecked(const char *name) const override
    {
        return checked.contains(QLatin1String(name));
    }
    int currentIndex(const char *name) const override
    {
        return indexes.value(QLatin1String(name), -1);
    }
};

std::array<std::uint8_t, cmd::SettingsBytes> bytesWith(int k, int value)
{
    std::array<std::uint8_t, cmd::SettingsBytes> b{};
    b[std::size_t(k)] = std::uint8_t(value);
    return b;
}

// "name:kind[:index|:source]" per operation, for readable comparisons.
QStringList describe(const std::vector<ControlOp> &ops)
{
    static const char *kinds[] = {"check", "uncheck", "index", "enable", "disable", "follow"};
    QStringList out;
    for (const ControlOp &op : ops) {
        QString s = QLatin1String(op.name) + ':' + QLatin1String(kinds[op.kind]);
        if (op.kind == ControlOp::SetIndex)
            s += ':' + QString::number(op.index);
        if (op.kind == ControlOp::EnableIfChecked)
            s += ':' + QLatin1String(op.source);
        out << s;
    }
    return out;
}

} // namespace

class RegisterMapTest : public QObject
{
    Q_OBJECT

private slots:
    void everyIdHasItsRow();
    void pollShowsAByte_data();
    void pollShowsAByte();
    void pollIsTheRowsInOrder();
    void edidEditor_data();
    void edidEditor();
    void slotValue_data();
    void slotValue();
    void decidePoll_data();
    void decidePoll();
    void decideReset_data();
    void decideReset();
};

void RegisterMapTest::everyIdHasItsRow()
{
    for (int i = 0; i < int(Id::Count); ++i) {
        const Row &r = row(Id(i));
        QCOMPARE(int(r.id), i);
        QVERIFY(r.controls[0] != nullptr);
        // Rows that write have a slot; the device-only rows have none.
        QCOMPARE(r.slot != nullptr, r.compute != Compute::Nothing);
    }
}

void RegisterMapTest::pollShowsAByte_data()
{
    QTest::addColumn<int>("k");
    QTest::addColumn<int>("value");
    QTest::addColumn<QStringList>("ops"); // operations on the row's own controls

    QTest::newRow("input 4") << 0 << 4 << QStringList{"cmbInputSel:index:3"};
    QTest::newRow("table 25") << 19 << 25 << QStringList{"cmBEdid:index:24"};
    QTest::newRow("cec type 1") << 30 << 1 << QStringList{"cmbLa:index:1"};
    QTest::newRow("audio hdmi") << 1 << 1 << QStringList{"audioHdmi:check", "audioJack:uncheck"};
    QTest::newRow("audio neither")
        << 1 << 2 << QStringList{"audioHdmi:uncheck", "audioJack:uncheck"};
    QTest::newRow("audio jack") << 1 << 3 << QStringList{"audioHdmi:uncheck", "audioJack:check"};
    QTest::newRow("audio 0 no change") << 1 << 0 << QStringList{};
    QTest::newRow("hdcp neither") << 3 << 1 << QStringList{"hdcp14:uncheck", "hdcp22:uncheck"};
    QTest::newRow("hdcp 2.2") << 3 << 3 << QStringList{"hdcp14:uncheck", "hdcp22:check"};
    QTest::newRow("hdcp 4 no change") << 3 << 4 << QStringList{};
    QTest::newRow("420 off") << 4 << 0 << QStringList{"enable420:uncheck", "disable420:check"};
    QTest::newRow("420 2 no change") << 4 << 2 << QStringList{};
    QTest::newRow("mode fixed") << 2 << 2
                                << QStringList{"automixEDID:uncheck", "fixedEDID:check",
                                               "customEDID:uncheck"};
    QTest::newRow("mode 0 no change") << 2 << 0 << QStringList{};
    QTest::newRow("auto switch off") << 6 << 0
                                     << QStringList{"autoSwEn:uncheck", "autoSwDis:check",
                                                    "pPrioForce:disable", "bPrioNorm:disable"};
    QTest::newRow("auto switch on") << 6 << 1
                                    << QStringList{"autoSwEn:check", "autoSwDis:uncheck",
                                                   "pPrioForce:enable", "bPrioNorm:enable"};
    QTest::newRow("auto switch 2 no change") << 6 << 2 << QStringList{};
    QTest::newRow("box 1") << 16 << 1 << QStringList{"cbHdr:check"};
    QTest::newRow("box 2") << 16 << 2 << QStringList{"cbHdr:uncheck"};
    QTest::newRow("priority 1") << 18 << 1 << QStringList{"pPrioForce:check", "bPrioNorm:uncheck"};
    QTest::newRow("priority 7") << 18 << 7 << QStringList{"pPrioForce:uncheck", "bPrioNorm:check"};
    QTest::newRow("htpc 1 is off")
        << 35 << 1 << QStringList{"disableHPDFORCE:check", "enableHPDFORCE:uncheck"};
    QTest::newRow("htpc 0 is on") << 35 << 0
                                  << QStringList{"disableHPDFORCE:uncheck", "enableHPDFORCE:check"};
    QTest::newRow("hdcp available") << 10 << 1 << QStringList{"hdcp22:enable", "hdcp14:enable"};
    QTest::newRow("audio unavailable 2")
        << 11 << 2 << QStringList{"audioHdmi:disable", "audioJack:disable"};
}

void RegisterMapTest::pollShowsAByte()
{
    QFETCH(int, k);
    QFETCH(int, value);
    QFETCH(QStringList, ops);
    const Setting *found = nullptr;
    for (const Setting &s : catalog())
        if (s.byte == k)
            found = &s;
    QVERIFY(found != nullptr);
    QCOMPARE(describe(rowOperations(found->id, value)), ops);
}

void RegisterMapTest::pollIsTheRowsInOrder()
{
    std::array<std::uint8_t, cmd::SettingsBytes> bytes{};
    for (int k = 0; k < cmd::SettingsBytes; ++k)
        bytes[std::size_t(k)] = std::uint8_t(k % 4);
    QStringList expected;
    for (const Setting *s : pollOrder())
        expected << describe(rowOperations(s->id, bytes[std::size_t(s->byte)]));
    const QStringList actual = describe(pollOperations(bytes));
    QCOMPARE(actual, expected);
    QVERIFY(actual.contains("EDIDtext:follow:customEDID")); // byte 9 = 1
}

void RegisterMapTest::edidEditor_data()
{
    QTest::addColumn<int>("available");
    QTest::addColumn<QString>("editorOp");
    QTest::newRow("available: follows CUSTOM") << 1 << "EDIDtext:follow:customEDID";
    QTest::newRow("unavailable") << 0 << "EDIDtext:disable";
    QTest::newRow("unavailable 2") << 2 << "EDIDtext:disable";
}

void RegisterMapTest::edidEditor()
{
    QFETCH(int, available);
    QFETCH(QString, editorOp);
    auto bytes = bytesWith(9, available);
    bytes[2] = 3;
    const QStringList all = describe(pollOperations(bytes));
    // The editor's state is decided after the mode buttons were set and made (un)available.
    const int editor = all.indexOf(editorOp);
    QVERIFY(editor >= 0);
    QCOMPARE(all.filter("EDIDtext").size(), 1);
    QVERIFY(editor > all.indexOf("customEDID:check"));
    QVERIFY(editor > all.lastIndexOf(QRegularExpression("^fixedEDID:(en|dis)able$")));
}

void RegisterMapTest::slotValue_data()
{
    QTest::addColumn<int>("id");
    QTest::addColumn<QStringList>("checked");
    QTest::addColumn<int>("index"); // current index of the slot's combo box
    QTest::addColumn<bool>("initialised");
    QTest::addColumn<int>("expected"); // -1: nothing sent

    auto add = [](const char *name, Id id, QStringList checked, int expected, int index = -1,
                  bool initialised = true) {
        QTest::newRow(name) << int(id) << checked << index << initialised << expected;
    };
    add("box off", Id::HdrPacket, {}, 0);
    add("audio jack", Id::AudioSource, {"audioJack"}, 3);
    add("audio none sends nothing", Id::AudioSource, {}, -1);
    add("hdcp none sends nothing", Id::Hdcp, {}, -1);
    add("mode first checked wins", Id::EdidMode, {"customEDID", "fixedEDID"}, 2);
    add("mode custom", Id::EdidMode, {"customEDID"}, 3);
    add("mode none sends nothing", Id::EdidMode, {}, -1);
    add("htpc neither is 1", Id::TxHtpcMode, {}, 1);
    add("input before init", Id::Input, {}, -1, 3, false);
    add("input cleared", Id::Input, {}, -1, -1);
    add("table before init", Id::EdidTable, {}, -1, 24, false);
    add("cec type before init", Id::CecDeviceType, {}, -1, 1, false);
    add("algo 0", Id::AutomixAlgo, {}, 0, 0);
    add("reset is not a plain slot", Id::FactoryReset, {"cbClearEdid"}, -1);
    add("device-only row", Id::EdidAvailable, {"automixEDID"}, -1);
}

void RegisterMapTest::slotValue()
{
    QFETCH(int, id);
    QFETCH(QStringList, checked);
    QFETCH(int, index);
    QFETCH(bool, initialised);
    QFETCH(int, expected);
    MapControls controls;
    for (const QString &c : checked)
        controls.checked.insert(c);
    const Row &r = row(Id(id));
    if (index >= 0)
        controls.indexes.insert(QLatin1String(r.controls[0]), index);
    const std::optional<int> value = binding::slotValue(Id(id), controls, initialised);
    QCOMPARE(value.value_or(-1), expected);
}

void RegisterMapTest::decidePoll_data()
{
    QTest::addColumn<bool>("settingsRead");
    QTest::addColumn<int>("flags");
    QTest::addColumn<bool>("infoRead");
    QTest::addColumn<int>("outcome");
    QTest::newRow("both read") << true << 0x00 << true << int(PollOutcome::Apply);
    QTest::newRow("other flag bits ignored") << true << 0xFE << true << int(PollOutcome::Apply);
    QTest::newRow("busy") << true << 0x01 << true << int(PollOutcome::DeviceBusy);
    QTest::newRow("busy, info failed") << true << 0x03 << false << int(PollOutcome::DeviceBusy);
    QTest::newRow("settings failed") << false << 0x00 << true << int(PollOutcome::ReadFailed);
    QTest::newRow("info failed") << true << 0x00 << false << int(PollOutcome::ReadFailed);
}

void RegisterMapTest::decidePoll()
{
    QFETCH(bool, settingsRead);
    QFETCH(int, flags);
    QFETCH(bool, infoRead);
    QFETCH(int, outcome);
    cmd::ReplyBuffer block{};
    block[0] = cmd::SettingsRead;
    block[1] = std::uint8_t(flags);
    QCOMPARE(int(settings::decidePoll(settingsRead, block, infoRead)), outcome);
}

void RegisterMapTest::decideReset_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("clearSettings");
    QTest::addColumn<bool>("clearEdid");
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("value");
    QTest::newRow("lower case") << "reset" << true << true << int(ResetDecision::WrongWord) << 0;
    QTest::newRow("trailing blank")
        << "RESET " << true << false << int(ResetDecision::WrongWord) << 0;
    QTest::newRow("leading blank")
        << " RESET" << false << true << int(ResetDecision::WrongWord) << 0;
    QTest::newRow("empty") << "" << true << true << int(ResetDecision::WrongWord) << 0;
    QTest::newRow("both") << "RESET" << true << true << int(ResetDecision::Send) << 3;
    QTest::newRow("settings") << "RESET" << true << false << int(ResetDecision::Send) << 2;
    QTest::newRow("edid") << "RESET" << false << true << int(ResetDecision::Send) << 1;
    QTest::newRow("none") << "RESET" << false << false << int(ResetDecision::NoChoice) << 0;
}

void RegisterMapTest::decideReset()
{
    QFETCH(QString, typed);
    QFETCH(bool, clearSettings);
    QFETCH(bool, clearEdid);
    QFETCH(int, kind);
    QFETCH(int, value);
    const ResetDecision d = settings::decideReset(typed, clearSettings, clearEdid);
    QCOMPARE(int(d.kind), kind);
    if (d.kind == ResetDecision::Send)
        QCOMPARE(d.value, value);
}

QTEST_GUILESS_MAIN(RegisterMapTest)
#include "FormBindingTest.moc"
