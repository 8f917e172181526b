// korvalis-cli end to end against the in-process device model, in fake time.
#include "cli/Cli.h"
#include "edid/EdidInput.h"
#include "edid/EdidReport.h"
#include "edid/EdidTable.h"
#include "edid/EdidText.h"
#include "settings/Catalog.h"
#include "sim/DeviceModel.h"

#include "CliRig.h"
#include "sim/ModelUsbApi.h"

#include <QBuffer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

namespace
{

QByteArray registerWrite(int reg, int value)
{
    return QByteArray::fromRawData("\x10\x04\xE0", 3) + char(reg) + char(value);
}

struct Rig : CliRig {
    QList<QByteArray> registerWrites() const
    {
        QList<QByteArray> out;
        for (const QByteArray &r : model.requests())
            if (r.size() == 5 && r.startsWith(QByteArray::fromRawData("\x10\x04\xE0", 3)))
                out << r;
        return out;
    }
};

edid::Table tableOf(const QByteArray &bytes)
{
    edid::Table t{};
    std::copy_n(bytes.constData(), std::min<qsizetype>(bytes.size(), edid::TableSize), t.begin());
    return t;
}

QByteArray bytesOf(const edid::Table &t)
{
    return QByteArray(reinterpret_cast<const char *>(t.data()), edid::TableSize);
}

// Two polls with something to tell, then an interrupt.
struct ScriptedWatcher : DeviceWatcher {
    std::atomic<bool> *interrupt = nullptr;
    int polls = 0;
    std::vector<DeviceEvent> poll(int) override
    {
        ++polls;
        if (polls == 1)
            return {{DeviceEvent::Departure, {"2023", false, "1-4.2"}}};
        *interrupt = true;
        return {{DeviceEvent::Arrival, {"2023", true, "/run/k/2023.sock"}}};
    }
    std::vector<WatchedDevice> present() const override { return {{"2023", false, "1-4.2"}}; }
};

const char kWatchTime[] =
    "^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\\.\\d{3}  |\"time\":\"[^\"]*\",?";

} // namespace

Q_DECLARE_METATYPE(FakeDevice)

class CliTest : public QObject
{
    Q_OBJECT

    QTemporaryDir tmp_;

    QString writeFile(const QString &name, const QByteArray &contents)
    {
        const QString path = tmp_.filePath(name);
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(contents) != contents.size())
            qFatal("cannot write %s", qPrintable(path));
        return path;
    }

private slots:
    void plainAndJsonOutput_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("expected");
        QTest::newRow("get names") << QStringList{"get", "input", "hdcp", "edid-table"}
                                   << "input port-a\nhdcp 2.2\nedid-table 1\n";
        QTest::newRow("options after the command")
            << QStringList{"get", "audio-source", "--device", "2023"} << "audio-source hdmi\n";
        QTest::newRow("get json: names strings, numbers numbers")
            << QStringList{"--json", "get", "input", "edid-table"}
            << "{\n    \"edid-table\": 1,\n    \"input\": \"port-a\"\n}\n";
        QTest::newRow("list") << QStringList{"list"} << "2023  model  ok\n";
        QTest::newRow("list json") << QStringList{"list", "--json"}
                                   << "{\n    \"devices\": [\n        {\n            \"access\": "
                                      "\"ok\",\n            \"id\": \"2023\",\n            "
                                      "\"where\": \"model\"\n        }\n    ]\n}\n";
    }
    void plainAndJsonOutput()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, expected);
        Rig rig;
        QCOMPARE(rig.run(args), 0);
        QCOMPARE(rig.stdoutText(), expected);
        QCOMPARE(rig.stderrText(), QString());
    }

    void status()
    {
        Rig rig;
        rig.model.setFirmwareVersion(2, 0, 1, 7);
        QCOMPARE(rig.run({"status"}), 0);
        const QStringList lines = rig.stdoutText().split(u'\n');
        QCOMPARE(lines.value(0), QStringLiteral("Firmware: ver: 2.0.1.7"));
        QCOMPARE(lines.value(1), QStringLiteral("Input : 1920x1080p60 HDMI, HDCP 1.4"));
        QCOMPARE(lines.value(2), QStringLiteral("Output: TX A"));
        QVERIFY(lines.contains(QStringLiteral("input port-a")));
        QCOMPARE(lines.size(), 6 + int(settings::SettingCount) + 1); // last: after the final \n

        QCOMPARE(rig.run({"status", "--json"}), 0);
        const QJsonObject doc = rig.json();
        QCOMPARE(doc["firmware"].toString(), QStringLiteral("2.0.1.7"));
        QCOMPARE(doc["header"].toArray().first().toString(), lines.value(1));
        QCOMPARE(doc["video"].toObject()["hdmi"].toBool(), true);
        QCOMPARE(doc["outputs"].toObject()["txA"].toBool(), true);
        QCOMPARE(doc["settings"].toObject()["edid-table"].toInt(-1), 1);
        QCOMPARE(doc["settings"].toObject()["hdcp"].toString(), QStringLiteral("2.2"));
    }

    void settingsCatalog()
    {
        Rig rig;
        QCOMPARE(rig.run({"settings"}), 0);
        const QStringList lines = rig.stdoutText().trimmed().split(u'\n');
        QCOMPARE(lines.size(), int(settings::SettingCount));
        QVERIFY(lines.first().startsWith("input "));
        QVERIFY(lines.first().endsWith("port-a=1"));

        QCOMPARE(rig.run({"--json", "settings"}), 0);
        const QJsonArray rows = rig.json()["settings"].toArray();
        QCOMPARE(rows.size(), int(settings::SettingCount));
        const QJsonObject table = rows.at(6).toObject();
        QCOMPARE(table["name"].toString(), QStringLiteral("edid-table"));
        QCOMPARE(table["maximum"].toInt(), 25);
        QCOMPARE(table["value"].toInt(), 1);
        QCOMPARE(rows.at(0).toObject()["values"].toArray().size(), 4);
    }

    // Every writable row: set by name, exactly its register write, read back by name.
    void setThenGetEveryRow_data()
    {
        QTest::addColumn<QString>("name");
        for (const settings::Setting &s : settings::catalog())
            if (s.kind != settings::Kind::ReadOnly)
                QTest::newRow(s.name) << QString::fromLatin1(s.name);
    }
    void setThenGetEveryRow()
    {
        QFETCH(QString, name);
        const settings::Setting &s = *settings::findSetting(name);
        Rig rig;
        // A value the device does not hold yet.
        const int current = rig.model.setting(s.byte);
        int value = s.kind == settings::Kind::Range ? s.maximum : s.values[0].value;
        for (const settings::ValueName &v : s.values)
            if (v.name != nullptr && v.value != current)
                value = v.value;
        const char *valueName = settings::valueName(s, value);
        const QString typed = valueName ? QString::fromLatin1(valueName) : QString::number(value);
        QCOMPARE(rig.run({"set", name, typed}), 0);
        QCOMPARE(rig.registerWrites().last(), registerWrite(s.reg, value));
        QCOMPARE(rig.run({"get", name}), 0);
        QCOMPARE(rig.stdoutText(), name + ' ' + typed + '\n');
    }

    void setSendsInOrderAndNothingElse()
    {
        Rig rig;
        QCOMPARE(rig.run({"set", "input", "port-b", "auto-switch", "off"}), 0);
        QCOMPARE(rig.model.requests(),
                 (QList<QByteArray>{registerWrite(0, 2), registerWrite(1, 0)}));
    }

    void edidModeWaitsWhileBusy()
    {
        Rig rig;
        rig.model.setRebuildBusyMs(700);
        QCOMPARE(rig.run({"edid", "mode", "custom", "--table", "5"}), 0);
        QCOMPARE(rig.registerWrites(),
                 (QList<QByteArray>{registerWrite(14, 5), registerWrite(5, 3)}));
        QVERIFY(!rig.model.busy());
        QVERIFY(rig.model.countRequests(cmd::SettingsRead) > 10); // it waited through the rebuild
    }

    void followSteps_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("code"); // the infoframe write that must come first, or 0
        QTest::addColumn<int>("reg");  // the register written last
        QTest::addColumn<int>("value");
        QTest::newRow("force-hdr on")
            << QStringList{"set", "force-hdr", "on"} << int(cmd::HdrInfoframeWrite) << 17 << 1;
        QTest::newRow("force-hdr off") << QStringList{"set", "force-hdr", "off"} << 0 << 17 << 0;
        QTest::newRow("replace-avi on")
            << QStringList{"set", "replace-avi", "on"} << int(cmd::AviInfoframeWrite) << 33 << 1;
        QTest::newRow("avi keeps the device's choice")
            << QStringList{"avi", "send", "82:02:0d:00"} << int(cmd::AviInfoframeWrite) << 33 << 1;
        QTest::newRow("avi --replace off")
            << QStringList{"avi", "send", "82:02:0d:00", "--replace", "off"}
            << int(cmd::AviInfoframeWrite) << 33 << 0;
    }
    void followSteps()
    {
        QFETCH(QStringList, args);
        QFETCH(int, code);
        QFETCH(int, reg);
        QFETCH(int, value);
        Rig rig;
        rig.model.setSetting(33, 1); // replace-avi on in the device
        QCOMPARE(rig.run(args), 0);
        QCOMPARE(rig.registerWrites().last(), registerWrite(reg, value));
        QCOMPARE(rig.model.countRequests(std::uint8_t(code), cmd::DirWrite), code != 0 ? 1 : 0);
    }

    void cecAndReset_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QByteArray>("firstRequest");
        QTest::newRow("cec send") << QStringList{"cec", "send", "40:04"}
                                  << QByteArray::fromHex("1003b2400104");
        QTest::newRow("cec store lp") << QStringList{"cec", "store", "lp", "40:04"}
                                      << QByteArray("\x10\x0a\xe4"
                                                    "CEC 40:04\r");
        QTest::newRow("reset all") << QStringList{"reset", "all", "--yes"} << registerWrite(25, 3);
    }
    void cecAndReset()
    {
        QFETCH(QStringList, args);
        QFETCH(QByteArray, firstRequest);
        Rig rig;
        QCOMPARE(rig.run(args), 0);
        QCOMPARE(rig.model.requests().value(0), firstRequest);
    }

    // A named command is on the wire exactly what "cec send HEX" of its messages is.
    void namedCecSendsAsHex_data()
    {
        QTest::addColumn<QStringList>("named");
        QTest::addColumn<QStringList>("hex"); // one "cec send HEX" each
        QTest::newRow("image view on") << QStringList{"image-view-on"} << QStringList{"50:04"};
        QTest::newRow("standby to all")
            << QStringList{"standby", "--to", "all"} << QStringList{"5f:36"};
        QTest::newRow("set stream path")
            << QStringList{"set-stream-path", "2.0.0.0"} << QStringList{"5f:86:20:00"};
        QTest::newRow("mute: pressed, then released")
            << QStringList{"mute", "--from", "tv"} << QStringList{"05:44:43", "05:45"};
    }
    void namedCecSendsAsHex()
    {
        QFETCH(QStringList, named);
        QFETCH(QStringList, hex);
        Rig byName;
        QCOMPARE(byName.run(QStringList{"cec", "send", "--verbose"} + named), 0);
        QCOMPARE(byName.stdoutText(), hex.join(u'\n') + u'\n');
        Rig byHex;
        for (const QString &message : hex)
            QCOMPARE(byHex.run({"cec", "send", message}), 0);
        QCOMPARE(byName.model.requests(), byHex.model.requests());
        QCOMPARE(byName.model.requestCount(), 2 * hex.size()); // each send, then its activate
    }

    // Written from a file (raw or hex text, checksums as the options say), read back byte for byte.
    void edidWriteThenRead_data()
    {
        QTest::addColumn<bool>("hexFile");
        QTest::addColumn<bool>("corrupt");
        QTest::addColumn<QString>("option");
        QTest::newRow("raw") << false << false << "--verify";
        QTest::newRow("hex text") << true << false << "--verify";
        QTest::newRow("raw, checksum fixed") << false << true << "--fix-checksums";
        QTest::newRow("hex, written as it is") << true << true << "--force";
    }
    void edidWriteThenRead()
    {
        QFETCH(bool, hexFile);
        QFETCH(bool, corrupt);
        QFETCH(QString, option);
        Rig rig;
        edid::Table table = tableOf(rig.model.displayEdid(DeviceModel::Output::A));
        QVERIFY(edid::isConsistent(table));
        if (corrupt)
            table[40] ^= 0x5A;
        const QString file =
            writeFile(QStringLiteral("in%1%2").arg(hexFile).arg(corrupt),
                      hexFile ? edid::edidTableText(table).toLatin1() : bytesOf(table));
        const edid::Table expected =
            option == "--fix-checksums" ? edid::withChecksums(table) : table;

        QCOMPARE(rig.run({"edid", "write", file, "--select-custom", option}), 0);
        // Only the table written as it is has a problem to warn of.
        QCOMPARE(rig.stderrText().isEmpty(), option != "--force");
        QCOMPARE(rig.model.uploadedEdid(), bytesOf(expected));

        const QString saved = tmp_.filePath("out.bin");
        QCOMPARE(rig.run({"edid", "read", "-o", saved}), 0);
        QFile back(saved);
        QVERIFY(back.open(QIODevice::ReadOnly));
        QCOMPARE(back.readAll(), bytesOf(expected));
        QCOMPARE(rig.run({"edid", "read"}), 0); // a pipe takes the raw bytes
        QCOMPARE(rig.out.data(), bytesOf(expected));
        QCOMPARE(rig.run({"edid", "read", "--hex", "--json"}), 0);
        QCOMPARE(rig.json()["edid"].toString(), edid::edidTableText(expected));
    }

    // Decoded without a device, from a file or standard input (which form a file is, is the
    // decoder's rule); read --decode decodes what the device holds.
    void edidDecode_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QByteArray>("input");
        FakeClock clock;
        const QByteArray table = DeviceModel(clock).displayEdid(DeviceModel::Output::A);
        const QString text = edid::edidTableText(tableOf(table));
        QTest::newRow("binary file")
            << QStringList{"edid", "decode", writeFile("d.bin", table)} << QByteArray();
        QTest::newRow("standard input") << QStringList{"edid", "decode", "-"} << table;
        QTest::newRow("json") << QStringList{"--json", "edid", "decode"} << text.toLatin1();
        QTest::newRow("read --decode") << QStringList{"edid", "read", "--decode"} << QByteArray();
        QTest::newRow("read --decode --json")
            << QStringList{"edid", "read", "--decode", "--json"} << QByteArray();
    }
    void edidDecode()
    {
        QFETCH(QStringList, args);
        QFETCH(QByteArray, input);
        Rig rig;
        rig.in.setData(input);
        const bool read = args.contains("read");
        const QByteArray table =
            read ? rig.model.ownEdid() : rig.model.displayEdid(DeviceModel::Output::A);
        QCOMPARE(rig.run(args), 0);
        QCOMPARE(rig.stderrText(), QString());
        QCOMPARE(rig.model.requestCount() > 0, read);
        const edid::EdidInfo info = edid::decodeEdid(edid::Bytes(table.begin(), table.end()));
        if (!args.contains("--json")) {
            QCOMPARE(rig.stdoutText(), edid::reportText(info));
            return;
        }
        const QJsonObject doc = rig.json();
        QCOMPARE(doc, edid::reportJson(info));
        // The keys promised to scripts, whatever the table says.
        for (const char *key :
             {"size",          "header_ok",  "version",      "manufacturer", "product_code",
              "serial_number", "week",       "year",         "model_year",   "name",
              "serial_text",   "preferred",  "range_limits", "extensions",   "vics",
              "hdmi",          "hdmi_forum", "hdr",          "audio",        "ycbcr420_vics",
              "checksums",     "problems"})
            QVERIFY2(doc.contains(QLatin1String(key)), key);
        // What a table lacks is null, not 0: the simulator's tables have serial number 0.
        QVERIFY(doc["serial_number"].isNull());
        QVERIFY(doc["model_year"].isNull());
        QCOMPARE(doc["vics"][0]["mode"].toString(), edid::vicMode(doc["vics"][0]["vic"].toInt()));
    }

    // What --truncate and --force let through: one extension and a right block 0; no header.
    void edidWriteAccepted_data()
    {
        QTest::addColumn<QString>("option");
        QTest::addColumn<bool>("header"); // the table has one; without, block 0's sum is off too
        QTest::newRow("truncate 512 bytes") << "--truncate" << true;
        QTest::newRow("force, no header") << "--force" << false;
    }
    void edidWriteAccepted()
    {
        QFETCH(QString, option);
        QFETCH(bool, header);
        Rig rig;
        QByteArray contents = rig.model.displayEdid(DeviceModel::Output::A);
        // Four blocks announced (truncated: block 0's sum off in the file), or no header.
        contents[header ? 126 : 7] = char(header ? 3 : 0x01);
        const QString file = writeFile(option, contents + contents.mid(0, header ? 256 : 0));
        QCOMPARE(rig.run({"edid", "write", file, "--select-custom", option}), 0);
        const edid::Table uploaded = tableOf(rig.model.uploadedEdid());
        QCOMPARE(uploaded[126], std::uint8_t(1));
        QCOMPARE(edid::isConsistent(uploaded), header);
        QCOMPARE(bytesOf(uploaded).mid(128), contents.mid(128, 128));
    }

    void edidWriteNeedsCustomMode()
    {
        Rig rig;
        const QString file = writeFile("ok.bin", rig.model.displayEdid(DeviceModel::Output::A));
        QCOMPARE(rig.run({"edid", "write", file}), 1);
        QVERIFY(rig.stderrText().contains("--select-custom"));
        QCOMPARE(rig.model.countRequests(cmd::EdidData, cmd::DirWrite), 0);
    }

    // Refused before the device is opened: exit 2, one line naming the cause, no traffic.
    void refusedWithoutTraffic_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<bool>("outTerminal");
        QTest::addColumn<QString>("says");
        FakeClock clock;
        edid::Table bad = tableOf(DeviceModel(clock).displayEdid(DeviceModel::Output::A));
        bad[127] ^= 1;
        const QString wrongSum = writeFile("wrongsum.bin", bytesOf(bad));
        const QString badText = writeFile("bad.txt", "00 FF FF\nxyz");
        const QString shortText = writeFile("short.hex", "00 FF FF FF FF FF FF 00\n");
        const QString short100 = writeFile("short.bin", bytesOf(bad).left(100));
        const auto row = [](const char *name, QStringList args, const char *says,
                            bool terminal = false) {
            QTest::newRow(name) << args << terminal << QString::fromLatin1(says);
        };
        row("no command", {}, "no command");
        row("unknown command", {"frob"}, "unknown command 'frob'");
        row("unknown option", {"get", "--frob"}, "frob");
        row("option of another command", {"set", "input", "port-b", "--table", "3"}, "--table");
        row("unknown setting", {"set", "inptu", "port-b"}, "unknown setting 'inptu'");
        row("unknown setting in get", {"get", "input", "nope"}, "unknown setting 'nope'");
        row("unknown value", {"set", "input", "port-c"}, "port-a|port-b|matrix-thru|matrix-swap");
        row("out of range", {"set", "edid-table", "26"}, "out of range");
        row("read-only", {"set", "hdcp-available", "yes"}, "read-only");
        row("second pair bad", {"set", "input", "port-b", "hdcp", "3.0"}, "'3.0'");
        row("odd arguments", {"set", "input"}, "usage");
        row("bad hex digit", {"cec", "send", "4g:04"}, "'g' at position 2 is not a hex digit");
        row("bad hex layout", {"hdr", "send", "870:1a"}, "not colon hex");
        row("one byte", {"cec", "send", "40"}, "Error: min 2, max 31 data bytes");
        row("--to with hex", {"cec", "send", "40:04", "--to", "tv"}, "--to applies to a named");
        row("unknown device", {"cec", "send", "standby", "--to", "vcr"}, "'vcr' is no CEC device");
        row("mistyped command", {"cec", "send", "stanby"}, "'stanby' is no CEC command");
        row("named command's problem", {"cec", "send", "mute", "--from", "audio"},
            "initiator and destination");
        row("decode of no hex", {"cec", "decode", "5:04"}, "not colon hex");
        row("17 bytes: more than CEC carries",
            {"cec", "send", QStringList(17, "40").join(':')}, "CEC carries at most 16 bytes");
        row("avi too long", {"avi", "send", "00:01:02:03:04:05:06:07:08:09:0a:0b:0c:0d"},
            "Error: min 2, max 13 data bytes");
        row("bad replace", {"avi", "send", "82:02", "--replace", "yes"}, "--replace");
        row("bad button", {"cec", "store", "xp", "40:04"}, "CEC button");
        row("bad mode", {"edid", "mode", "auto"}, "not an EDID mode");
        row("interval without watch", {"status", "--interval", "2"}, "status --watch");
        row("interval too short", {"status", "--watch", "--interval", "0.4"}, "from 0.5 to 3600");
        row("interval no number", {"status", "--watch", "--interval", "1s"}, "'1s'");
        row("bad table", {"edid", "mode", "fixed", "--table", "0"}, "out of range");
        row("bad source", {"edid", "read", "--from", "tv-c", "--hex"}, "tv-c");
        row("binary to a terminal", {"edid", "read"}, "terminal", true);
        row("missing file", {"edid", "write", tmp_.filePath("none.bin")}, "cannot read");
        row("wrong checksum", {"edid", "write", wrongSum}, "block 0 has");
        row("bad hex file", {"edid", "write", badText}, "Hex Format Error: 'x' at line 2");
        // Checksums are fixed on a table, never on eight pairs padded into one.
        row("short hex file", {"edid", "write", shortText, "--fix-checksums", "--verify"},
            "8 bytes are fewer than the 128");
        row("decode of 100 bytes", {"edid", "decode", short100}, "100 bytes are fewer");
        row("decode of an empty input", {"edid", "decode"}, "standard input: the input is empty");
        row("decode with hex", {"edid", "read", "--hex", "--decode"}, "exclude");
        const QByteArray good =
            bytesOf(tableOf(DeviceModel(clock).displayEdid(DeviceModel::Output::A)));
        edid::Table headless = tableOf(good);
        headless[7] = 0x01;
        const QString noHeader = writeFile("noheader.bin", bytesOf(edid::withChecksums(headless)));
        row("no header", {"edid", "write", noHeader}, "no EDID header");
        row("no header, checksums fixed", {"edid", "write", noHeader, "--fix-checksums"},
            "no EDID header");
        row("384 bytes", {"edid", "write", writeFile("size384.bin", good + good.left(128))},
            "an EDID table has 128 or 256 (--truncate writes its first 256 bytes)");
        row("both checksum options", {"edid", "write", wrongSum, "--force", "--fix-checksums"},
            "exclude");
        row("reset unconfirmed", {"reset", "all"}, "--yes");
        row("wait not a number", {"--wait", "soon", "status"}, "--wait soon: not a whole number");
        row("wait negative", {"--wait", "-1", "status"}, "--wait -1: a wait cannot be negative");
        row("wait over a day", {"--wait", "86401", "status"}, "--wait 86401: more than a day");
        row("wait with list", {"--wait", "3", "list"}, "--wait");
        row("watch with another command", {"status", "--watch"}, "--watch");
    }
    void refusedWithoutTraffic()
    {
        QFETCH(QStringList, args);
        QFETCH(bool, outTerminal);
        QFETCH(QString, says);
        Rig rig;
        QCOMPARE(rig.run(args, outTerminal), 2);
        QCOMPARE(rig.model.requestCount(), 0);
        QVERIFY(!rig.usb.isOpen());
        QVERIFY(rig.usb.writes.isEmpty());
        const QString err = rig.stderrText();
        QVERIFY2(err.startsWith("korvalis-cli: ") && err.count(u'\n') == 1, qPrintable(err));
        QVERIFY2(err.contains(says), qPrintable(err));
        QCOMPARE(rig.out.data(), QByteArray());
    }

    void deviceFailures_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("fault"); // -1: busy for ever
        QTest::addColumn<QString>("says");
        const int silent = int(DeviceModel::FaultKind::NoReply);
        const int wrongEcho = int(DeviceModel::FaultKind::WrongEcho);
        QTest::newRow("status, silent")
            << QStringList{"status"} << silent << "did not answer the firmware read within 4000 ms";
        QTest::newRow("get, silent") << QStringList{"get"} << silent << "settings read";
        QTest::newRow("set, silent") << QStringList{"set", "input", "port-b"} << silent
                                     << "did not answer the write of input";
        QTest::newRow("set, refused")
            << QStringList{"set", "input", "port-b"} << wrongEcho << "refused the write of input";
        QTest::newRow("edid read, silent")
            << QStringList{"edid", "read", "--hex"} << silent << "EDID fetch";
        QTest::newRow("cec, silent")
            << QStringList{"cec", "send", "40:04"} << silent << "did not answer the CEC send";
        QTest::newRow("reset, refused")
            << QStringList{"reset", "edid", "--yes"} << wrongEcho << "refused the factory reset";
        QTest::newRow("edid mode, busy")
            << QStringList{"edid", "mode", "fixed"} << -1 << "stayed busy";
        // A table taken while the device rebuilds it is no table.
        QTest::newRow("edid read, busy")
            << QStringList{"edid", "read", "--hex"} << -1 << "stayed busy";
    }
    void deviceFailures()
    {
        QFETCH(QStringList, args);
        QFETCH(int, fault);
        QFETCH(QString, says);
        Rig rig;
        if (fault < 0)
            rig.model.setBusy(true);
        else
            rig.model.addFault({DeviceModel::FaultKind(fault), -1, -1, 0});
        QCOMPARE(rig.run(args), 1);
        QVERIFY2(rig.stderrText().contains(says), qPrintable(rig.stderrText()));
        QCOMPARE(rig.stderrText().count(u'\n'), 1);
    }

    void noUsableDevice_data()
    {
        QTest::addColumn<QList<FakeDevice>>("devices");
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("says");
        QTest::addColumn<QString>("listed");
        QTest::newRow("none") << QList<FakeDevice>{} << QStringList{"status"}
                              << "no KORVALIS device with id 2023"
                              << "";
        QTest::newRow("other id") << QList<FakeDevice>{{"2023"}}
                                  << QStringList{"--device", "77", "get"}
                                  << "no KORVALIS device with id 77"
                                  << "2023  model  ok\n";
        QTest::newRow("no permission")
            << QList<FakeDevice>{{"2023", false, usbstatus::AccessDenied}}
            << QStringList{"set", "input", "port-a"} << "udev rule"
            << "2023  model  no permission\n";
        QTest::newRow("in use") << QList<FakeDevice>{{"2023", false, usbstatus::Busy}}
                                << QStringList{"status"} << "another program"
                                << "2023  model  in use\n";
    }
    void noUsableDevice()
    {
        QFETCH(QList<FakeDevice>, devices);
        QFETCH(QStringList, args);
        QFETCH(QString, says);
        QFETCH(QString, listed);
        FakeClock clock;
        ModelUsbApi usb(clock);
        usb.devices = devices;
        RecordingAlerts alerts;
        CliStreams io;
        QCOMPARE(io.run(usb, clock, alerts, args), 3);
        QVERIFY2(io.stderrText().contains(says), qPrintable(io.stderrText()));
        QCOMPARE(usb.writes.size(), 0);
        QCOMPARE(io.run(usb, clock, alerts, {"list"}), 0);
        QCOMPARE(io.stdoutText(), listed);
    }

    // Two units with the same identification string, told apart by where they are; --wait
    // gives the named one time to appear.
    void pickAndWaitForUnit_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("appearsAtMs"); // the second unit; 0: there from the start
        QTest::addColumn<int>("exit");
        QTest::addColumn<int>("unit");   // that received the requests; -1: none
        QTest::addColumn<int>("fakeMs"); // fake time the command took, at most
        QTest::newRow("first 2023 by default") << QStringList{"get", "input"} << 0 << 0 << 0 << 0;
        QTest::newRow("by path") << QStringList{"--device", "1-4.2", "get", "input"} << 0 << 0 << 1
                                 << 0;
        QTest::newRow("unknown path")
            << QStringList{"--device", "1-9", "get", "input"} << 0 << 3 << -1 << 0;
        QTest::newRow("appears in time")
            << QStringList{"--wait", "3", "--device", "1-4.2", "get", "input"} << 2500 << 0 << 1
            << 2600;
        QTest::newRow("appears too late")
            << QStringList{"--wait", "2", "--device", "1-4.2", "get", "input"} << 2500 << 3 << -1
            << 2100;
        QTest::newRow("no wait: fails at once")
            << QStringList{"--device", "1-4.2", "get", "input"} << 2500 << 3 << -1 << 0;
    }
    void pickAndWaitForUnit()
    {
        QFETCH(QStringList, args);
        QFETCH(int, appearsAtMs);
        QFETCH(int, exit);
        QFETCH(int, unit);
        QFETCH(int, fakeMs);
        FakeClock clock;
        DeviceModel model(clock);
        model.setBusy(false);
        ModelUsbApi usb(clock);
        usb.responder = [&](const QByteArray &request) -> std::optional<QByteArray> {
            const DeviceModel::Reply reply = model.handle(
                reinterpret_cast<const std::uint8_t *>(request.constData()), request.size());
            return reply.send ? std::optional<QByteArray>(reply.bytes) : std::nullopt;
        };
        usb.devices = {FakeDevice{"2023", false, 0, 0, "1-1"}};
        const FakeDevice second{"2023", false, 0, 0, "1-4.2"};
        usb.onCount = [&] {
            if (usb.devices.size() == 1 && clock.now >= std::uint32_t(appearsAtMs))
                usb.devices << second;
        };
        RecordingAlerts alerts;
        CliStreams io;
        QCOMPARE(io.run(usb, clock, alerts, args), exit);
        QVERIFY2(clock.now <= std::uint32_t(fakeMs), qPrintable(QString::number(clock.now)));
        // Opened once: no probe that another program could slip in behind.
        QCOMPARE(usb.opens, unit < 0 ? 0 : 1);
        if (unit < 0) {
            QVERIFY(usb.writes.isEmpty());
            return;
        }
        QCOMPARE(io.stdoutText(), QStringLiteral("input port-a\n"));
        QVERIFY(!usb.writeHandles.isEmpty());
        for (UsbApi::Handle h : usb.writeHandles)
            QCOMPARE(h, UsbApi::Handle(100 + unit));
    }

    void watch_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QByteArray>("watched"); // what the watcher is asked to follow
        QTest::addColumn<QStringList>("lines");  // without the time
        QTest::newRow("plain") << QStringList{"list", "--watch"} << QByteArray()
                               << QStringList{"present  2023  real  1-4.2",
                                              "departure  2023  real  1-4.2",
                                              "arrival  2023  simulated  /run/k/2023.sock"};
        QTest::newRow("json, one unit")
            << QStringList{"--device", "1-4.2", "--json", "list", "--watch"} << QByteArray("1-4.2")
            << QStringList{"{\"event\":\"present\",\"id\":\"2023\",\"simulated\":false,\"where\":"
                           "\"1-4.2\"}",
                           "{\"event\":\"departure\",\"id\":\"2023\",\"simulated\":false,\"where\":"
                           "\"1-4.2\"}",
                           "{\"event\":\"arrival\",\"id\":\"2023\",\"simulated\":true,\"where\":"
                           "\"/run/k/2023.sock\"}"};
    }
    void watch()
    {
        QFETCH(QStringList, args);
        QFETCH(QByteArray, watched);
        QFETCH(QStringList, lines);
        std::atomic<bool> interrupted{false};
        QByteArray asked = "never asked";
        FakeClock clock;
        ModelUsbApi usb(clock);
        RecordingAlerts alerts;
        cli::Backend backend{usb, clock, alerts, {}, {}, {}};
        backend.watch = [&](const QByteArray &idOrPath) {
            asked = idOrPath;
            auto w = std::make_unique<ScriptedWatcher>();
            w->interrupt = &interrupted;
            return w;
        };
        backend.catchInterrupt = [&] { return &interrupted; };
        QBuffer out, err;
        out.open(QIODevice::WriteOnly);
        err.open(QIODevice::WriteOnly);
        QCOMPARE(cli::run(QStringList{"korvalis-cli"} + args, backend, cli::Streams{out, err}), 0);
        QCOMPARE(asked, watched);
        QStringList seen = QString::fromUtf8(out.data()).split(u'\n', Qt::SkipEmptyParts);
        static const QRegularExpression time(QString::fromLatin1(kWatchTime));
        for (QString &line : seen) {
            QVERIFY2(line.contains(time), qPrintable(line));
            line.remove(time);
        }
        QCOMPARE(seen, lines);
    }

    void progressOnlyOnATerminal_data()
    {
        QTest::addColumn<bool>("terminal");
        QTest::addColumn<bool>("quiet");
        QTest::addColumn<bool>("shown");
        QTest::newRow("terminal") << true << false << true;
        QTest::newRow("terminal, --quiet") << true << true << false;
        QTest::newRow("no terminal") << false << false << false;
    }
    void progressOnlyOnATerminal()
    {
        QFETCH(bool, terminal);
        QFETCH(bool, quiet);
        QFETCH(bool, shown);
        Rig rig;
        QStringList args{"edid", "read", "--hex"};
        if (quiet)
            args << "--quiet";
        QCOMPARE(rig.run(args, false, terminal), 0);
        QCOMPARE(rig.stderrText().contains("reading EDID 240/255"), shown);
        QCOMPARE(rig.stdoutText().count(u'\n'), 16); // the table alone on standard output
    }

    // A bad file is refused before any device is opened: exit status 2, nothing sent.
    void configLoadOfBadFileSendsNothing_data()
    {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<QString>("named");
        QTest::newRow("not JSON") << QByteArray("{\"format\": ") << "not JSON";
        QTest::newRow("unknown setting")
            << QByteArray("{\"format\": \"korvalis-config\", \"format_version\": 1, "
                          "\"device\": {\"firmware\": \"1.11.0.5\"}, "
                          "\"settings\": {\"brightness\": 3}}")
            << "settings.brightness: unknown setting";
    }
    void configLoadOfBadFileSendsNothing()
    {
        QFETCH(QByteArray, contents);
        QFETCH(QString, named);
        Rig rig;
        QCOMPARE(rig.run({"config", "load", writeFile("bad.json", contents)}), 2);
        QVERIFY2(rig.stderrText().contains(named), qPrintable(rig.stderrText()));
        QCOMPARE(rig.model.requestCount(), 0);
    }

    void configLoadWritesOnlyWithoutDryRun_data()
    {
        QTest::addColumn<QStringList>("extra");
        QTest::addColumn<int>("writes");
        QTest::newRow("load") << QStringList{} << 1;
        QTest::newRow("--dry-run") << QStringList{"--dry-run"} << 0;
    }
    void configLoadWritesOnlyWithoutDryRun()
    {
        QFETCH(QStringList, extra);
        QFETCH(int, writes);
        Rig rig;
        const QString path = tmp_.filePath("saved.json");
        QCOMPARE(rig.run({"config", "save", path}), 0);
        rig.model.setSetting(settings::findSetting("input")->byte, 2);
        rig.model.clearLog();
        QCOMPARE(rig.run(QStringList{"config", "load", path} + extra), 0);
        QVERIFY(rig.stdoutText().startsWith("set input port-a\nunchanged auto-switch on\n"));
        QCOMPARE(rig.registerWrites().size(), writes);
        QCOMPARE(rig.model.setting(settings::findSetting("input")->byte), writes == 1 ? 1 : 2);
    }

    void configLoadOfOtherFirmwareNeedsForce()
    {
        Rig rig;
        const QString path = tmp_.filePath("old.json");
        QCOMPARE(rig.run({"config", "save", path}), 0);
        rig.model.setFirmwareVersion(1, 12, 0, 1);
        rig.model.setSetting(settings::findSetting("input")->byte, 2);
        QCOMPARE(rig.run({"config", "load", path}), 2);
        QVERIFY(rig.stderrText().contains("--force"));
        QCOMPARE(rig.registerWrites().size(), 0);
        QCOMPARE(rig.run({"config", "load", path, "--force", "--json"}), 0);
        QCOMPARE(rig.json().value("ok").toBool(), true);
        QCOMPARE(rig.registerWrites().size(), 1);
    }

    void configLoadFailureExitsOne()
    {
        Rig rig;
        const QString path = tmp_.filePath("saved.json");
        QCOMPARE(rig.run({"config", "save", path}), 0);
        rig.model.setSetting(settings::findSetting("input")->byte, 2);
        rig.model.setStoredHdrInfoframe(QByteArray::fromHex("87011a00"));
        rig.model.addFault({DeviceModel::FaultKind::NoReply, cmd::HdrInfoframeWrite, -1, 0});
        QCOMPARE(rig.run({"config", "load", path}), 1);
        QVERIFY(rig.stdoutText().startsWith("set input port-a\n"));
        QVERIFY(rig.stdoutText().contains("\nfailed stored_hdr "));
        QVERIFY(rig.stdoutText().contains("\nnot applied stored_avi "));
        QVERIFY2(rig.stderrText().contains("stopped at stored_hdr"), qPrintable(rig.stderrText()));
    }

    void roughEdges_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("said");
        QTest::newRow("group alone lists its subcommands")
            << QStringList{"edid"} << 2 << "korvalis-cli edid write FILE";
        QTest::newRow("negative number is out of range")
            << QStringList{"set", "edid-table", "-1"} << 2 << "-1 is out of range for edid-table";
        QTest::newRow("negative --table is out of range")
            << QStringList{"edid", "mode", "custom", "--table", "-3"} << 2 << "-3 is out of range";
    }
    void roughEdges()
    {
        QFETCH(QStringList, args);
        QFETCH(int, status);
        QFETCH(QString, said);
        Rig rig;
        QCOMPARE(rig.run(args), status);
        QVERIFY2(rig.stderrText().contains(said), qPrintable(rig.stderrText()));
        QCOMPARE(rig.registerWrites().size(), 0);
    }

    void unreportedValuesAreNull_data()
    {
        QTest::addColumn<QString>("signal");
        QTest::addColumn<bool>("reported");
        QTest::newRow("no signal") << "none" << false;
        QTest::newRow("4k60 600 MHz") << "4k60-444-600" << true;
    }
    void unreportedValuesAreNull()
    {
        QFETCH(QString, signal);
        QFETCH(bool, reported);
        Rig rig;
        QVERIFY(rig.model.selectSignal(signal));
        QCOMPARE(rig.run({"status", "--json"}), 0);
        const QJsonObject video = rig.json().value("video").toObject();
        QCOMPARE(video.value("vic").isNull(), !reported);
        QCOMPARE(video.value("clockMHz").isNull(), !reported);
    }

    void dashIsStandardOutput()
    {
        Rig rig;
        QCOMPARE(rig.run({"edid", "read", "--hex", "-o", "-"}), 0);
        QCOMPARE(rig.stdoutText().count(u'\n'), 16);
        QVERIFY(!QFile::exists("-"));
        QCOMPARE(rig.run({"config", "save", "-"}), 0);
        QCOMPARE(rig.json().value("format").toString(), QStringLiteral("korvalis-config"));
    }

    // displays: an output whose fetch the device refuses has no display; a silent fetch is a
    // device failure, not an empty output.
    void displays_data()
    {
        QTest::addColumn<QString>("displayB"); // empty: nothing on TX B
        QTest::addColumn<bool>("silentFetchB");
        QTest::addColumn<int>("status");
        QTest::addColumn<int>("misfitsB"); // -1: no display
        QTest::newRow("nothing on TX B") << QString() << false << 0 << -1;
        QTest::newRow("a 1080p TV on TX B")
            << QStringLiteral("tv-1080p") << false << 0 << 6;
        QTest::newRow("TX B silent") << QStringLiteral("tv-1080p") << true << 1 << -1;
    }
    void displays()
    {
        QFETCH(QString, displayB);
        QFETCH(bool, silentFetchB);
        QFETCH(int, status);
        QFETCH(int, misfitsB);
        Rig rig;
        QVERIFY(rig.model.selectSignal(QStringLiteral("4k60-420-hdr10")));
        if (!displayB.isEmpty())
            QVERIFY(rig.model.plugDisplay(DeviceModel::Output::B, displayB));
        if (silentFetchB)
            rig.model.addFault({DeviceModel::FaultKind::NoReply, cmd::EdidFetchTvB, -1, 0});
        QCOMPARE(rig.run({"displays", "--json"}), status);
        if (status != 0) {
            QVERIFY(rig.stderrText().contains("EDID fetch"));
            return;
        }
        const QJsonArray outputs = rig.json()["outputs"].toArray();
        QCOMPARE(outputs.size(), 2);
        QVERIFY(outputs[0]["display"].isObject()); // the model's TV on TX A
        QCOMPARE(outputs[1]["display"].isNull(), misfitsB < 0);
        QCOMPARE(outputs[1]["misfits"].toArray().size(), std::max(misfitsB, 0));
    }
};

QTEST_GUILESS_MAIN(CliTest)
#include "CliTest.moc"
