// Configuration files against the in-process device model, in fake time.
#include "session/ConfigFile.h"
#include "session/ConfigLoad.h"
#include "session/DeviceSession.h"

#include "ModelLink.h"

#include <QJsonDocument>
#include <QTemporaryDir>
#include <QtTest>

namespace
{

using namespace session::config;

struct Rig : ModelLink {
    session::DeviceSession session{usb, clock, alerts};
    Rig()
    {
        model.setBusy(false);
        if (session.open("2023") != OpenFailure::None)
            qFatal("the model did not open");
    }
    DeviceState state()
    {
        const StateRead read = readState(session, "2023");
        if (!read.state)
            qFatal("state read failed: %s", qPrintable(read.failure));
        return *read.state;
    }
};

const QDateTime kSaved = QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5), Qt::UTC);

QByteArray settingsOf(const QByteArray &forty)
{
    // The read-only bytes are the device's own; a load leaves them.
    QByteArray writable = forty;
    for (const settings::Setting &s : settings::catalog())
        if (s.kind == settings::Kind::ReadOnly)
            writable[s.byte] = 0;
    return writable;
}

Plan planOf(const QByteArray &contents)
{
    const Checked checked = check(contents);
    if (!checked.plan)
        qFatal("the saved file does not check: %s",
               qPrintable(problemLines(checked.problems).join(u'\n')));
    return *checked.plan;
}

// A saved file with one key replaced (an empty value removes it).
QByteArray edited(const QByteArray &contents, const QString &path, const QJsonValue &value)
{
    QJsonObject root = QJsonDocument::fromJson(contents).object();
    const QStringList keys = path.split(u'.');
    if (keys.size() == 1) {
        root[keys[0]] = value;
    } else {
        QJsonObject inner = root[keys[0]].toObject();
        inner[keys[1]] = value;
        root[keys[0]] = inner;
    }
    return QJsonDocument(root).toJson();
}

} // namespace

class ConfigTest : public QObject
{
    Q_OBJECT

private slots:
    // Save, change the device, load: the device holds what was saved.
    void loadRestoresWhatWasSaved_data()
    {
        QTest::addColumn<bool>("customMode");
        QTest::newRow("automix: no EDID item") << false;
        QTest::newRow("custom table 1: the EDID is written") << true;
    }
    void loadRestoresWhatWasSaved()
    {
        QFETCH(bool, customMode);
        Rig rig;
        if (customMode) {
            rig.model.setSetting(settings::findSetting("edid-mode")->byte, 3);
            rig.model.setSetting(settings::findSetting("edid-table")->byte, 1);
        }
        rig.model.setSetting(settings::findSetting("blue-leds")->byte, 0);
        const DeviceState before = rig.state();
        const QByteArray saved = fileContents(before, kSaved);
        const QByteArray settingsBefore = rig.model.settings();

        // Another set-up: other settings, other infoframes, another custom table.
        rig.model.setSetting(settings::findSetting("input")->byte, 2);
        rig.model.setSetting(settings::findSetting("hdcp")->byte, 1);
        rig.model.setSetting(settings::findSetting("blue-leds")->byte, 1);
        rig.model.setStoredHdrInfoframe(QByteArray::fromHex("87011a00"));
        rig.model.setStoredAviInfoframe(QByteArray::fromHex("60c8606100"));
        if (customMode) {
            QByteArray other = rig.model.ownEdid();
            other[20] = char(other[20] ^ 0x01);
            rig.model.setTransferBuffer(other);
        }
        const DeviceState changed = rig.state();
        QVERIFY(changed.storedHdr != before.storedHdr);

        const std::vector<Item> items = diff(planOf(saved), changed);
        const LoadReport report = apply(rig.session, items, changed.bytes);
        QVERIFY2(report.ok(), qPrintable(reportLines(report).join(u'\n')));
        const bool edidItem = std::any_of(items.begin(), items.end(),
                                          [](const Item &i) { return i.kind == Item::Edid; });
        QCOMPARE(edidItem, customMode);

        const DeviceState after = rig.state();
        QCOMPARE(settingsOf(rig.model.settings()), settingsOf(settingsBefore));
        QCOMPARE(after.storedHdr, before.storedHdr);
        QCOMPARE(after.storedAvi, before.storedAvi);
        QCOMPARE(after.edid == before.edid, true);
        // A second load finds nothing to write.
        for (const Item &i : diff(planOf(saved), after))
            QVERIFY2(!i.changes, qPrintable(itemKey(i)));
    }

    // Every problem of a file is named with its key, and nothing is planned.
    void badFileIsRefusedWhole_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QJsonValue>("value");
        QTest::addColumn<QString>("problemKey");
        QTest::addColumn<QString>("reason");
        QTest::newRow("another format") << "format" << QJsonValue("other") << "format"
                                        << "not a korvalis-config file";
        QTest::newRow("newer version") << "format_version" << QJsonValue(2) << "format_version"
                                       << "newer";
        QTest::newRow("unknown setting")
            << "settings.brightness" << QJsonValue("on") << "settings.brightness"
            << "unknown setting";
        QTest::newRow("value out of range")
            << "settings.edid-table" << QJsonValue(99) << "settings.edid-table"
            << "out of range";
        QTest::newRow("negative number")
            << "settings.edid-table" << QJsonValue(-1) << "settings.edid-table"
            << "out of range";
        QTest::newRow("unknown value name")
            << "settings.input" << QJsonValue("port-c") << "settings.input"
            << "not a value of input";
        QTest::newRow("infoframe not colon hex")
            << "stored_hdr" << QJsonValue("87:01:zz") << "stored_hdr"
            << "'z' at position 7 is not a hex digit";
        QTest::newRow("infoframe too long")
            << "stored_avi" << QJsonValue("00:11:22:33:44:55:66:77:88:99:aa:bb:cc:dd")
            << "stored_avi"
            << "max 13";
        QTest::newRow("table not 16 lines") << "edid" << QJsonValue(QJsonArray{"00 FF"}) << "edid"
                                            << "16 lines";
        QTest::newRow("no firmware") << "device.firmware" << QJsonValue("") << "device.firmware"
                                     << "missing";
    }
    void badFileIsRefusedWhole()
    {
        QFETCH(QString, key);
        QFETCH(QJsonValue, value);
        QFETCH(QString, problemKey);
        QFETCH(QString, reason);
        Rig rig;
        const Checked checked = check(edited(fileContents(rig.state(), kSaved), key, value));
        QVERIFY(!checked.plan);
        QCOMPARE(checked.problems.size(), std::size_t(1));
        QCOMPARE(checked.problems[0].key, problemKey);
        QVERIFY2(checked.problems[0].reason.contains(reason),
                 qPrintable(checked.problems[0].reason));
    }

    void tableWithWrongChecksumOrDigitsIsRefused_data()
    {
        QTest::addColumn<int>("line");
        QTest::addColumn<QString>("text");
        QTest::newRow("checksum") << 15 << "00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00";
        QTest::newRow("not hex") << 3 << "0G 50 54 20 00 00 01 01 01 01 01 01 01 01 01 01";
    }
    void tableWithWrongChecksumOrDigitsIsRefused()
    {
        QFETCH(int, line);
        QFETCH(QString, text);
        Rig rig;
        QJsonObject root = QJsonDocument::fromJson(fileContents(rig.state(), kSaved)).object();
        QJsonArray lines = root["edid"].toArray();
        lines[line] = text;
        root["edid"] = lines;
        const Checked checked = check(QJsonDocument(root).toJson());
        QVERIFY(!checked.plan);
        QCOMPARE(checked.problems.at(0).key, QStringLiteral("edid"));
    }

    void emptyFileIsNamed_data()
    {
        QTest::addColumn<QByteArray>("contents");
        QTest::newRow("no byte") << QByteArray();
        QTest::newRow("blanks only") << QByteArray(" \n\t\n");
    }
    void emptyFileIsNamed()
    {
        QFETCH(QByteArray, contents);
        const Checked checked = check(contents);
        QVERIFY(!checked.plan);
        QCOMPARE(checked.problems.size(), std::size_t(1));
        QCOMPARE(checked.problems[0].reason, QStringLiteral("the file is empty"));
    }

    void everyProblemIsCollected()
    {
        Rig rig;
        QByteArray file = fileContents(rig.state(), kSaved);
        file = edited(file, "settings.input", "port-z");
        file = edited(file, "settings.hdcp", 7);
        file = edited(file, "stored_avi", "x");
        const Checked checked = check(file);
        QVERIFY(!checked.plan);
        QStringList keys;
        for (const Problem &p : checked.problems)
            keys << p.key;
        keys.sort();
        QCOMPARE(keys, (QStringList{"settings.hdcp", "settings.input", "stored_avi"}));
    }

    // Stops at the first failure; what came before is set, what follows is not applied.
    void failedWriteStopsTheLoad_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("failedKey");
        QTest::addColumn<QString>("cause");
        QTest::newRow("register write") << int(cmd::RegisterWrite) << "input"
                                        << "did not answer the write of input";
        // The activation after it is answered; the cause is still the silent store.
        QTest::newRow("HDR infoframe") << int(cmd::HdrInfoframeWrite) << "stored_hdr"
                                       << "did not answer the HDR infoframe store";
    }
    void failedWriteStopsTheLoad()
    {
        QFETCH(int, code);
        QFETCH(QString, failedKey);
        QFETCH(QString, cause);
        Rig rig;
        const QByteArray saved = fileContents(rig.state(), kSaved);
        rig.model.setSetting(settings::findSetting("input")->byte, 2);
        rig.model.setSetting(settings::findSetting("cec")->byte, 0);
        rig.model.setStoredHdrInfoframe(QByteArray::fromHex("87011a00"));
        rig.model.setStoredAviInfoframe(QByteArray::fromHex("60c8606100"));
        const DeviceState changed = rig.state();
        rig.model.addFault({DeviceModel::FaultKind::NoReply, code, -1, 0});
        const LoadReport report = apply(rig.session, diff(planOf(saved), changed), changed.bytes);

        QVERIFY(!report.ok());
        bool reached = false;
        for (const ItemResult &r : report.items) {
            const QString key = itemKey(r.item);
            if (key == failedKey) {
                QCOMPARE(r.result, ItemResult::Failed);
                QVERIFY2(r.failure.contains(cause), qPrintable(r.failure));
                QVERIFY2(!r.failure.contains("refused"), qPrintable(r.failure));
                reached = true;
            } else if (reached) {
                QCOMPARE(r.result, ItemResult::NotApplied);
            } else {
                QVERIFY(r.result != ItemResult::Failed && r.result != ItemResult::NotApplied);
            }
        }
        QVERIFY(reached);
        const QString line = summary(report);
        QVERIFY2(line.contains("stopped at " + failedKey), qPrintable(line));
        // The AVI infoframe comes after both failure points: never sent.
        QCOMPARE(rig.model.countRequests(cmd::AviInfoframeWrite), 0);
    }

    // What a file leaves out stays as the device has it; a table is written only in CUSTOM
    // mode with table 1, whichever of the file and the device selects it.
    void partialFileTouchesOnlyWhatItNames_data()
    {
        QTest::addColumn<QByteArray>("settingsJson");
        QTest::addColumn<int>("deviceMode");
        QTest::addColumn<QStringList>("keys");
        QTest::newRow("one setting")
            << QByteArray(R"({"input": "port-b"})") << 1 << QStringList{"input"};
        QTest::newRow("the file selects custom mode")
            << QByteArray(R"({"edid-mode": "custom", "edid-table": 1})") << 1
            << QStringList{"edid-mode", "edid-table", "edid"};
        QTest::newRow("the device is in custom mode")
            << QByteArray(R"({})") << 3 << QStringList{"edid"};
        QTest::newRow("the file selects table 2")
            << QByteArray(R"({"edid-table": 2})") << 3 << QStringList{"edid-table"};
    }
    void partialFileTouchesOnlyWhatItNames()
    {
        QFETCH(QByteArray, settingsJson);
        QFETCH(int, deviceMode);
        QFETCH(QStringList, keys);
        Rig rig;
        rig.model.setSetting(settings::findSetting("edid-mode")->byte, std::uint8_t(deviceMode));
        const DeviceState device = rig.state();
        QJsonObject root = QJsonDocument::fromJson(fileContents(device, kSaved)).object();
        root["settings"] = QJsonDocument::fromJson(settingsJson).object();
        root.remove("stored_hdr");
        root.remove("stored_avi");
        QStringList found;
        for (const Item &i : diff(planOf(QJsonDocument(root).toJson()), device))
            found << itemKey(i);
        QCOMPARE(found, keys);
    }

    void firmwareMismatchIsNamed()
    {
        Rig rig;
        Plan plan = planOf(fileContents(rig.state(), kSaved));
        QCOMPARE(firmwareMismatch(plan, rig.state()), QString());
        plan.firmware = "1.10.0.1";
        QVERIFY(firmwareMismatch(plan, rig.state()).contains("1.10.0.1"));
    }

    void writeFileReplacesOnlyWhenComplete()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("a.json");
        QCOMPARE(writeFile(path, "old"), QString());
        // A directory that does not exist: the write fails and says why.
        QVERIFY(!writeFile(dir.filePath("none/a.json"), "new").isEmpty());
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray("old"));
    }
};

QTEST_GUILESS_MAIN(ConfigTest)
#include "ConfigTest.moc"
