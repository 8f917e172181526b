// CEC messages from bytes to words, and the named commands to bytes.
#include "cec_infoframes/CecCommands.h"
#include "cec_infoframes/CecMessage.h"

#include <QJsonArray>
#include <QtTest>

class CecMessageTest : public QObject
{
    Q_OBJECT

private slots:
    // Every line: the head, one per operand, one per problem.
    void decode_data()
    {
        QTest::addColumn<QByteArray>("hex");
        QTest::addColumn<QString>("words");
        const auto row = [](const char *tag, const char *hex, const char *words) {
            QTest::newRow(tag) << QByteArray::fromHex(hex) << QString::fromUtf8(words);
        };
        row("poll", "55", "Audio System to Audio System (5 to 5): Poll");
        row("image view on", "5004", "Audio System to TV (5 to 0): Image View On (0x04)");
        row("broadcast standby", "0f36", "TV to Broadcast (0 to 15): Standby (0x36)");
        row("unregistered initiator", "f084:1000:04",
            "Unregistered to TV (15 to 0): Report Physical Address (0x84)\n"
            "physical address: 1.0.0.0\ndevice type: playback\n"
            "problem: Report Physical Address is sent to all devices (destination 15)");
        row("set stream path", "5f86:3100", "Audio System to Broadcast (5 to 15): Set Stream Path "
                                            "(0x86)\nphysical address: 3.1.0.0");
        row("routing change", "5f80:1000:2000",
            "Audio System to Broadcast (5 to 15): Routing Change (0x80)\n"
            "original address: 1.0.0.0\nnew address: 2.0.0.0");
        row("power status", "0590:02", "TV to Audio System (0 to 5): Report Power Status (0x90)\n"
                                       "power status: in transition standby to on");
        row("user control", "5444:01",
            "Audio System to Playback 1 (5 to 4): User Control Pressed (0x44)\nUI command: up");
        row("audio status", "507a:a5", "Audio System to TV (5 to 0): Report Audio Status (0x7a)\n"
                                       "mute: on\nvolume: 37 %");
        row("volume unknown", "507a:7f", "Audio System to TV (5 to 0): Report Audio Status (0x7a)\n"
                                         "mute: off\nvolume: unknown");
        row("system audio", "507e:01", "Audio System to TV (5 to 0): System Audio Mode Status "
                                       "(0x7e)\nsystem audio: on");
        row("OSD name", "4047:4b4f5256", "Playback 1 to TV (4 to 0): Set OSD Name (0x47)\n"
                                         "name: \"KORV\"");
        row("vendor ID", "4f87:00e091", "Playback 1 to Broadcast (4 to 15): Device Vendor ID "
                                        "(0x87)\nvendor ID: 0x00e091");
        row("CEC version", "409e:05", "Playback 1 to TV (4 to 0): CEC Version (0x9e)\nversion: 1.4");
        row("feature abort", "0500:7004",
            "TV to Audio System (0 to 5): Feature Abort (0x00)\n"
            "aborted opcode: System Audio Mode Request (0x70)\nreason: refused");
        row("abort of an unknown opcode", "0500:1200",
            "TV to Audio System (0 to 5): Feature Abort (0x00)\n"
            "aborted opcode: unknown (0x12)\nreason: unrecognized opcode");
        row("menu status", "408e:00", "Playback 1 to TV (4 to 0): Menu Status (0x8e)\n"
                                      "menu state: activated");
        row("deck status", "401b:11", "Playback 1 to TV (4 to 0): Deck Status (0x1b)\n"
                                      "deck info: play");
        row("play", "0441:24", "TV to Playback 1 (0 to 4): Play (0x41)\nplay mode: play forward");
        row("language", "0f32:656e67", "TV to Broadcast (0 to 15): Set Menu Language (0x32)\n"
                                       "language: \"eng\"");
        row("system audio request, no address", "0570",
            "TV to Audio System (0 to 5): System Audio Mode Request (0x70)");
        row("unknown opcode", "5012:0102", "Audio System to TV (5 to 0): unknown (0x12)\n"
                                           "operands: 01:02");
        row("unknown value", "0590:07", "TV to Audio System (0 to 5): Report Power Status (0x90)\n"
                                        "power status: unknown (0x07)\n"
                                        "problem: 0x07 is no known power status");
        row("cut short", "5f82:10", "Audio System to Broadcast (5 to 15): Active Source (0x82)\n"
                                    "physical address: cut short (10)\n"
                                    "problem: the physical address is missing or cut short");
        row("operand missing", "0590", "TV to Audio System (0 to 5): Report Power Status (0x90)\n"
                                       "power status: missing\n"
                                       "problem: the power status is missing or cut short");
        row("bytes after the operands", "5004:01",
            "Audio System to TV (5 to 0): Image View On (0x04)\nmore data: 01\n"
            "problem: 1 byte(s) after the operands of Image View On");
        row("directed broadcast", "5f04", "Audio System to Broadcast (5 to 15): Image View On "
                                          "(0x04)\nproblem: Image View On goes to one device, not "
                                          "to all");
        row("to itself", "5536", "Audio System to Audio System (5 to 5): Standby (0x36)\n"
                                 "problem: initiator and destination are the same device");
        row("longest", "4047:4142434445464748494a4b4c4d4e",
            "Playback 1 to TV (4 to 0): Set OSD Name (0x47)\nname: \"ABCDEFGHIJKLMN\"");
        row("one byte too long", "4047:4142434445464748494a4b4c4d4e4f",
            "Playback 1 to TV (4 to 0): Set OSD Name (0x47)\nname: \"ABCDEFGHIJKLMNO\"\n"
            "problem: Error: CEC carries at most 16 bytes (header, opcode and 14 operands), this "
            "message has 17");
        row("name not ASCII", "4047:41ff", "Playback 1 to TV (4 to 0): Set OSD Name (0x47)\n"
                                           "name: \"A?\"\nproblem: the name holds 0xff, which is "
                                           "no printable ASCII character");
    }
    void decode()
    {
        QFETCH(QByteArray, hex);
        QFETCH(QString, words);
        QCOMPARE(cec::messageLines(cec::decodeMessage(hex)).join(u'\n'), words);
    }

    void json()
    {
        const QJsonObject poll = cec::messageJson(cec::decodeMessage(QByteArray::fromHex("5f")));
        QCOMPARE(poll.value("destination_name").toString(), QStringLiteral("Broadcast"));
        QVERIFY(poll.value("opcode").isNull());
        const QJsonObject pa =
            cec::messageJson(cec::decodeMessage(QByteArray::fromHex("5f821000")));
        QCOMPARE(pa.value("opcode").toInt(), 0x82);
        QCOMPARE(pa.value("operands").toArray().at(0).toObject(),
                 (QJsonObject{{"name", "physical address"}, {"value", "1.0.0.0"}}));
    }

    void commands_data()
    {
        QTest::addColumn<QStringList>("words"); // name, arguments, then --to and --from
        QTest::addColumn<QString>("sent");      // the messages in hex, blank between; or the error
        const auto row = [](const char *tag, QStringList words, const char *sent) {
            QTest::newRow(tag) << words << QString::fromLatin1(sent);
        };
        row("standby", {"standby"}, "5036");
        row("standby to all", {"standby", "all"}, "5f36");
        row("from unregistered", {"standby", "", "all"}, "f036");
        row("image view on", {"image-view-on"}, "5004");
        row("text view on", {"text-view-on"}, "500d");
        row("active source", {"active-source 1.0.0.0"}, "5f821000");
        row("set stream path", {"set-stream-path 3.1.a.0"}, "5f8631a0");
        row("routing change", {"routing-change 1.0.0.0 2.0.0.0"}, "5f8010002000");
        row("give power status", {"give-power-status", "playback1"}, "548f");
        row("volume up", {"volume-up", "", "tv"}, "0544:41 0545");
        row("volume down", {"volume-down", "", "0"}, "0544:42 0545");
        row("mute, from the TV unless told", {"mute"}, "0544:43 0545");
        row("user control by name", {"user-control volume-up"}, "5044:41");
        row("user control by number", {"user-control 0x6d", "playback3"}, "5b44:6d");
        row("user control released", {"user-control-released", "8"}, "5845");
        row("system audio request", {"system-audio-request 1.0.0.0", "", "tv"}, "0570:1000");
        row("give OSD name", {"give-osd-name"}, "5046");
        row("give physical address", {"give-physical-address"}, "5083");
        row("missing address", {"active-source"}, "usage: cec send active-source PA");
        row("bad address", {"active-source 1.0.0"}, "'1.0.0' is no physical address");
        row("unknown key", {"user-control frob"}, "'frob' is no remote key");
        row("key out of range", {"user-control 0x141"}, "'0x141' is no remote key");
        row("to itself", {"mute", "", "audio"}, "initiator and destination are the same device");
        row("broadcast only", {"active-source 1.0.0.0", "tv"}, "is sent to all devices");
        row("directed only", {"image-view-on", "all"}, "goes to one device");
    }
    void commands()
    {
        QFETCH(QStringList, words);
        QFETCH(QString, sent);
        QStringList call = words.value(0).split(u' ');
        const cec::NamedCommand *command = cec::findCommand(call.takeFirst());
        QVERIFY(command != nullptr);
        const auto to = cec::parseDevice(words.value(1));
        const auto from = cec::parseDevice(words.value(2));
        const int destination = to.value_or(command->destination);
        const cec::Built built = cec::buildCommand(
            *command, call, from.value_or(cec::initiatorFor(destination)), destination);
        QStringList hex;
        for (const QByteArray &m : built.messages)
            hex << QString::fromLatin1(m.toHex());
        if (built.messages.empty())
            QVERIFY2(built.error.contains(sent), qPrintable(built.error));
        else
            QCOMPARE(hex.join(u' '), QString(sent).remove(u':'));
    }

    void devices_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("address"); // -1: refused
        QTest::newRow("audio") << "audio" << 5;
        QTest::newRow("upper case") << "Playback2" << 8;
        QTest::newRow("specific") << "specific" << 14;
        QTest::newRow("all") << "all" << 15;
        QTest::newRow("number") << "11" << 11;
        QTest::newRow("16") << "16" << -1;
        QTest::newRow("unknown") << "vcr" << -1;
    }
    void devices()
    {
        QFETCH(QString, text);
        QFETCH(int, address);
        QCOMPARE(cec::parseDevice(text).value_or(-1), address);
    }
};

QTEST_APPLESS_MAIN(CecMessageTest)
#include "CecMessageTest.moc"
