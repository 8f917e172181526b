// Generated EDID tables: checksums, structure (edid-decode) and content that matches the names.
#include "sim/EdidGenerator.h"
#include "FakeClock.h"
#include "sim/DeviceModel.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryFile>
#include <QtTest>

class EdidGeneratorTest : public QObject
{
    Q_OBJECT

    static QString decode(const QByteArray &edid, int *exitCode)
    {
        QTemporaryFile file;
        if (!file.open())
            return QString();
        file.write(edid);
        file.flush();
        QProcess p;
        p.start(QStringLiteral("edid-decode"), {QStringLiteral("-c"), file.fileName()});
        p.waitForFinished(20000);
        *exitCode = p.exitCode();
        return QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError());
    }

    static void requireDecoder()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("edid-decode")).isEmpty())
            QSKIP("edid-decode is not installed");
    }

    static QList<QPair<QString, QByteArray>> everyTable()
    {
        QList<QPair<QString, QByteArray>> tables;
        for (int t = 1; t <= edidgen::BuiltinCount; ++t)
            tables << qMakePair(QStringLiteral("table %1").arg(t), edidgen::builtinTable(t));
        tables << qMakePair(QStringLiteral("fixed"), edidgen::generate(edidgen::fixedProfile()));
        for (const QString &name : edidgen::displayNames()) {
            edidgen::Profile p;
            edidgen::displayProfile(name, &p);
            tables << qMakePair(name, edidgen::generate(p));
        }
        // The device's own table under option combinations, both displays plugged.
        FakeClock clock;
        DeviceModel model(clock);
        model.plugDisplay(DeviceModel::Output::B, QStringLiteral("avr-4k"));
        for (int algo = 0; algo < 4; ++algo) {
            model.setSetting(32, std::uint8_t(algo));
            tables << qMakePair(QStringLiteral("automix %1").arg(algo), model.ownEdid());
        }
        for (int byte : {13, 14, 15, 16, 17, 28}) {
            model.setSetting(byte, 1);
            tables << qMakePair(QStringLiteral("option byte %1").arg(byte), model.ownEdid());
        }
        model.setSetting(29, 0);
        tables << qMakePair(QStringLiteral("no YCbCr"), model.ownEdid());
        return tables;
    }

private slots:
    void tablesAreStructurallyValid_data()
    {
        QTest::addColumn<QByteArray>("edid");
        for (const auto &t : everyTable())
            QTest::newRow(qPrintable(t.first)) << t.second;
    }
    void tablesAreStructurallyValid()
    {
        QFETCH(QByteArray, edid);
        QCOMPARE(edid.size(), 256);
        QVERIFY(edidgen::checksumsValid(edid));
        QCOMPARE(edid.left(8), QByteArray::fromHex("00ffffffffffff00"));
        QCOMPARE(int(edid[126]), 1);
        QCOMPARE(int(edid[128]), 2); // CTA-861 extension
        requireDecoder();
        int exitCode = -1;
        const QString out = decode(edid, &exitCode);
        QVERIFY2(out.contains(QLatin1String("EDID conformity: PASS")), qPrintable(out));
        QVERIFY2(!out.contains(QLatin1String("Failures:")), qPrintable(out));
        QVERIFY2(!out.contains(QLatin1String("Warnings:")), qPrintable(out));
        QCOMPARE(exitCode, 0);
    }

    // The content matches the table's name in the selection list.
    void contentMatchesTheName_data()
    {
        QTest::addColumn<int>("table");
        QTest::addColumn<QStringList>("present");
        QTest::addColumn<QStringList>("absent");
        const QString tmds600 = "Maximum TMDS Character Rate: 600 MHz";
        const QString hdr = "SMPTE ST2084", bt2020 = "BT2020RGB", all = "DTS-HD";
        const QString stereo = "Max channels: 2", vic97 = "VIC  97:", ycc = "Supports YCbCr 4:4:4";
        const QString y420 = "YCbCr 4:2:0 Video Data Block";
        QTest::newRow("2") << 2 << QStringList{tmds600, hdr, bt2020, all, vic97}
                           << QStringList{stereo};
        QTest::newRow("3") << 3 << QStringList{tmds600, hdr, bt2020, stereo} << QStringList{all};
        QTest::newRow("4") << 4 << QStringList{tmds600, all, vic97} << QStringList{hdr, bt2020};
        QTest::newRow("5") << 5 << QStringList{tmds600, stereo} << QStringList{hdr, all};
        QTest::newRow("6") << 6 << QStringList{tmds600, "VIC  96:", hdr, bt2020, all}
                           << QStringList{vic97};
        QTest::newRow("8") << 8 << QStringList{y420, "Deep Color 4:2:0", hdr, bt2020, all}
                           << QStringList{tmds600};
        QTest::newRow("10") << 10 << QStringList{y420, bt2020, all} << QStringList{hdr};
        QTest::newRow("12") << 12 << QStringList{y420, "Maximum TMDS clock: 300 MHz", all}
                            << QStringList{hdr, bt2020, "Deep Color 4:2:0"};
        QTest::newRow("14") << 14 << QStringList{"VIC  95:", ycc, all} << QStringList{vic97, hdr};
        QTest::newRow("17") << 17 << QStringList{"VIC  95:", stereo} << QStringList{ycc, vic97};
        QTest::newRow("18") << 18
                            << QStringList{"VIC  93:", "Supports YCbCr 4:2:2", "DC_36bit", bt2020,
                                           all}
                            << QStringList{vic97, "VIC  95:"};
        QTest::newRow("20") << 20 << QStringList{"VIC  16:", "Maximum TMDS clock: 165 MHz", all}
                            << QStringList{"VIC  95:", hdr};
        QTest::newRow("21") << 21 << QStringList{"VIC  16:", hdr, stereo}
                            << QStringList{"VIC  95:", all};
        QTest::newRow("22") << 22 << QStringList{"VIC  32:", all} << QStringList{"VIC  16:"};
        QTest::newRow("25") << 25 << QStringList{"VIC   5:", "1920x1080i", stereo}
                            << QStringList{"VIC  16:"};
    }
    void contentMatchesTheName()
    {
        QFETCH(int, table);
        QFETCH(QStringList, present);
        QFETCH(QStringList, absent);
        requireDecoder();
        int exitCode = -1;
        const QString out = decode(edidgen::builtinTable(table), &exitCode);
        for (const QString &s : present)
            QVERIFY2(out.contains(s), qPrintable(s + " missing in\n" + out));
        for (const QString &s : absent)
            QVERIFY2(!out.contains(s), qPrintable(s + " unexpected in\n" + out));
    }

    void tablesDiffer()
    {
        QSet<QByteArray> seen;
        for (int t = 1; t <= edidgen::BuiltinCount; ++t)
            seen.insert(edidgen::builtinTable(t));
        QCOMPARE(seen.size(), edidgen::BuiltinCount);
    }
};

QTEST_GUILESS_MAIN(EdidGeneratorTest)
#include "EdidGeneratorTest.moc"
