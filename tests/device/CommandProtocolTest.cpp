#include "FakeLink.h"
#include "device/CommandPrimitives.h"
#include "device/DeviceLink.h"

#include <QtTest>

namespace
{
QByteArray wire(const cmd::Request &r)
{
    return QByteArray(reinterpret_cast<const char *>(r.bytes.data()), r.length);
}
} // namespace

class CommandProtocolTest : public QObject
{
    Q_OBJECT

    struct Rig : FakeLink {
        CommandPrimitives primitives{link};
    };
    std::unique_ptr<Rig> rig;

    void connect(bool withDevice)
    {
        if (!withDevice)
            return;
        rig->usb.devices = {{"2023"}};
        std::uint32_t index = 0;
        QVERIFY(rig->link.findDevice("2023", index));
        QVERIFY(rig->link.openDevice(index));
    }

private slots:
    void init() { rig = std::make_unique<Rig>(); }

    // Requests that the framing must produce byte for byte.
    void framing_data()
    {
        QTest::addColumn<QByteArray>("built");
        QTest::addColumn<QByteArray>("expected");
        QTest::addColumn<int>("minimum");
        QTest::addColumn<bool>("echo");

        const std::uint8_t cec[] = {0x50, 0x04};
        const std::uint8_t text[] = {'5', '0', ':', '0', '4', 0x0D};
        const std::uint8_t chunk[8] = {1, 2, 3, 4, 5, 6, 7, 8};
        const cmd::Request cecSend = cmd::payloadWrite(cmd::CecSend, cec, 2);

        QTest::newRow("register write")
            << wire(cmd::registerWrite(1, 0)) << QByteArray::fromHex("1004e00100") << 2 << true;
        QTest::newRow("info block read")
            << wire(cmd::infoBlockRead(31, 31)) << QByteArray::fromHex("111fe01f") << 31 << true;
        QTest::newRow("settings read")
            << wire(cmd::settingsRead(42)) << QByteArray::fromHex("112ae1") << 42 << true;
        QTest::newRow("CEC send") << wire(cecSend) << QByteArray::fromHex("1002b25004") << 2
                                  << true;
        QTest::newRow("activate after CEC send")
            << wire(cmd::activateAfter(cecSend, cmd::ActivateCec))
            << QByteArray::fromHex("1002b310") << 2 << true;
        QTest::newRow("CEC store 2")
            << wire(cmd::cecStore(cmd::CecStore2, text, 6))
            << QByteArray::fromHex("100ae4434543203530") + ":04\r" << 2 << true;
        QTest::newRow("EDID fetch TV B") << wire(cmd::edidFetch(cmd::EdidFetchTvB))
                                         << QByteArray::fromHex("1001b6") << 2 << true;
        QTest::newRow("EDID data read, no echo")
            << wire(cmd::edidDataRead(240)) << QByteArray::fromHex("1110b0f0") << 16 << false;
        QTest::newRow("EDID data write")
            << wire(cmd::edidDataWrite(248, chunk))
            << QByteArray::fromHex("1008b0f80102030405060708") << 2 << true;
        QTest::newRow("EDID commit keeps count 8")
            << wire(cmd::edidCommit()) << QByteArray::fromHex("1008b1") << 2 << true;
    }
    void framing()
    {
        QFETCH(QByteArray, built);
        QFETCH(QByteArray, expected);
        QCOMPARE(built.toHex(), expected.toHex());
    }

    void oversizedPayloadsAreBounded()
    {
        const QByteArray big(200, '\x7f');
        const auto *data = reinterpret_cast<const std::uint8_t *>(big.constData());
        const cmd::Request write = cmd::payloadWrite(cmd::HdrInfoframeWrite, data, 200);
        QCOMPARE(int(write.length), cmd::MaxRequestSize);
        QCOMPARE(int(write.bytes[1]), cmd::MaxPayload);
        const cmd::Request store = cmd::cecStore(cmd::CecStore1, data, 200);
        QCOMPARE(int(store.length), cmd::MaxRequestSize);
        QCOMPARE(int(store.bytes[1]), cmd::MaxPayload);
    }

    // Each primitive against the failures a device can produce.
    void primitives_data()
    {
        QTest::addColumn<QString>("primitive");
        QTest::addColumn<bool>("device");
        QTest::addColumn<QByteArray>("reply"); // empty: silence
        QTest::addColumn<int>("expected"); // cmd::Result

        using R = cmd::Result;
        const QByteArray info15 = QByteArray::fromHex("e0") + QByteArray(14, '\1');
        const QByteArray settings42 = QByteArray::fromHex("e100") + QByteArray(40, '\1');

        QTest::newRow("info: no device") << "info" << false << QByteArray() << int(R::NoDevice);
        QTest::newRow("info: ok") << "info" << true << info15 << int(R::Done);
        QTest::newRow("info: right echo, short") << "info" << true << info15.left(14)
                                                 << int(R::Refused);
        QTest::newRow("info: wrong echo") << "info" << true << QByteArray(15, '\xe1')
                                          << int(R::WrongEcho);
        QTest::newRow("info: silent") << "info" << true << QByteArray() << int(R::NoReply);
        // Only the echo proves a write: no device, silence or a wrong echo is a failure.
        QTest::newRow("setting: no device") << "setting" << false << QByteArray()
                                            << int(R::NoDevice);
        QTest::newRow("setting: silent") << "setting" << true << QByteArray() << int(R::NoReply);
        QTest::newRow("setting: ok") << "setting" << true << QByteArray::fromHex("e000")
                                     << int(R::Done);
        QTest::newRow("setting: echo E1") << "setting" << true << QByteArray::fromHex("e100")
                                          << int(R::WrongEcho);
        QTest::newRow("setting: short") << "setting" << true << QByteArray::fromHex("e0")
                                        << int(R::Refused);
        QTest::newRow("settings: ok") << "settings" << true << settings42 << int(R::Done);
        QTest::newRow("settings: short") << "settings" << true << settings42.left(41)
                                         << int(R::Refused);
        QTest::newRow("settings: echo E0") << "settings" << true << QByteArray(42, '\xe0')
                                           << int(R::WrongEcho);
        QTest::newRow("block: ok") << "block" << true << QByteArray::fromHex("e200")
                                   << int(R::Done);
        // A silent device took nothing.
        QTest::newRow("block: silent") << "block" << true << QByteArray() << int(R::NoReply);
    }
    void primitives()
    {
        QFETCH(QString, primitive);
        QFETCH(bool, device);
        QFETCH(QByteArray, reply);
        QFETCH(int, expected);
        connect(device);
        rig->usb.script = {reply.isEmpty() ? ScriptedReply::silence() : ScriptedReply::of(reply)};

        cmd::ReplyBuffer buffer;
        buffer.fill(0x33); // the primitive must zero-fill before the exchange
        cmd::Result result = cmd::Result::Done;
        std::uint8_t block[cmd::SettingsBytes] = {};
        if (primitive == "info")
            result = rig->primitives.readInfoBlock(6, buffer, 15);
        else if (primitive == "setting")
            result = rig->primitives.writeSetting(2, 3);
        else if (primitive == "settings")
            result = rig->primitives.readSettings(buffer, 42);
        else
            result = rig->primitives.writeSettingsBlock(block);

        QCOMPARE(int(result), expected);
        if ((primitive == "info" || primitive == "settings") && reply.isEmpty())
            QCOMPARE(buffer[0], std::uint8_t(0));
    }

    void writeSettingTakesLowByte()
    {
        connect(true);
        rig->usb.script = {ScriptedReply::of(QByteArray::fromHex("e000"))};
        rig->primitives.writeSetting(0, 300);
        QCOMPARE(rig->usb.writes.value(0).toHex(), QByteArray("1004e0002c"));
    }

    void settingsBlockWriteSendsAllFortyBytes()
    {
        connect(true);
        rig->usb.script = {ScriptedReply::of(QByteArray::fromHex("e200"))};
        std::uint8_t block[cmd::SettingsBytes];
        for (int i = 0; i < cmd::SettingsBytes; ++i)
            block[i] = std::uint8_t(i + 1);
        rig->primitives.writeSettingsBlock(block);
        const QByteArray sent = rig->usb.writes.value(0);
        QCOMPARE(sent.size(), 43);
        QCOMPARE(sent.left(3).toHex(), QByteArray("1028e2"));
        QCOMPARE(sent.mid(3), QByteArray(reinterpret_cast<const char *>(block), 40));
    }
};

QTEST_GUILESS_MAIN(CommandProtocolTest)
#include "CommandProtocolTest.moc"
