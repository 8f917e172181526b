// The window programs' command line: the unit to open, or why the program ends at once.
#include "app/WindowOptions.h"

#include <QtTest>

class WindowOptionsTest : public QObject
{
    Q_OBJECT

private slots:
    void parse_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitStatus"); // -1: the window opens
        QTest::addColumn<QByteArray>("device");
        QTest::newRow("nothing") << QStringList{} << -1 << QByteArray("2023");
        QTest::newRow("a USB path")
            << QStringList{"--device", "1-4.2"} << -1 << QByteArray("1-4.2");
        QTest::newRow("an id, one dash")
            << QStringList{"-device=unit01"} << -1 << QByteArray("unit01");
        QTest::newRow("Qt's own option")
            << QStringList{"-platform", "offscreen"} << -1 << QByteArray("2023");
        QTest::newRow("empty device") << QStringList{"--device="} << 2 << QByteArray();
        QTest::newRow("device without value") << QStringList{"--device"} << 2 << QByteArray();
        QTest::newRow("unknown option") << QStringList{"--devcie", "1-4"} << 2 << QByteArray();
        QTest::newRow("a stray word") << QStringList{"1-4.2"} << 2 << QByteArray();
        QTest::newRow("help") << QStringList{"--help"} << 0 << QByteArray();
        QTest::newRow("version") << QStringList{"--version"} << 0 << QByteArray();
    }
    void parse()
    {
        QFETCH(QStringList, args);
        QFETCH(int, exitStatus);
        QFETCH(QByteArray, device);
        const WindowOptions o = parseWindowOptions(QStringList{"/usr/bin/korvalis_gui"} + args);
        QCOMPARE(o.exitStatus, exitStatus);
        if (exitStatus < 0)
            QCOMPARE(o.device, device);
        // Something to say exactly when the program ends, on the stream its status implies.
        QCOMPARE(!o.out.isEmpty(), exitStatus == 0);
        QCOMPARE(!o.err.isEmpty(), exitStatus == 2);
        QVERIFY(o.err.isEmpty() || o.err.startsWith("korvalis_gui: "));
    }
};

QTEST_GUILESS_MAIN(WindowOptionsTest)
#include "WindowOptionsTest.moc"
