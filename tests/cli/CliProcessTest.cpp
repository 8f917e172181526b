// The built korvalis-cli against a korvalis-sim process, in a private socket directory.
#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

class CliProcessTest : public QObject
{
    Q_OBJECT

    QTemporaryDir tmp_;
    QProcess sim_;

    struct Result {
        int exitCode = -1;
        QByteArray out, err;
    };
    Result cli(const QStringList &args)
    {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_RUNTIME_DIR", tmp_.path()); // the simulator's directory is found there
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(KORVALIS_CLI_PATH), args);
        if (!p.waitForFinished(10000))
            return {};
        return {p.exitCode(), p.readAllStandardOutput(), p.readAllStandardError()};
    }
    bool simLogged(const QByteArray &what)
    {
        QElapsedTimer t;
        t.start();
        while (!sim_.peek(1 << 20).contains(what)) {
            if (t.elapsed() > 5000)
                return false;
            sim_.waitForReadyRead(10);
        }
        return true;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(tmp_.isValid());
        sim_.start(QStringLiteral(KORVALIS_SIM_PATH), {"--dir", tmp_.filePath("korvalis-usb")});
        QVERIFY(sim_.waitForStarted());
        QVERIFY(simLogged("serving"));
    }
    void cleanupTestCase()
    {
        sim_.terminate();
        sim_.waitForFinished(5000);
    }

    void statusThenSet()
    {
        const Result status = cli({"status"});
        QCOMPARE(status.exitCode, 0);
        QVERIFY2(status.out.startsWith("Firmware: ver: "), status.out.constData());
        QVERIFY(status.out.contains("\nOutput: TX A\n"));
        QVERIFY(status.out.contains("\ninput port-a\n"));
        QCOMPARE(status.err, QByteArray());

        const Result set = cli({"set", "input", "port-b"});
        QCOMPARE(set.exitCode, 0);
        QVERIFY(simLogged("< 10 04 e0 00 02"));
        QCOMPARE(cli({"get", "input"}).out, QByteArray("input port-b\n"));
    }

    // A wrong standard-input command names what was wrong.
    void simCommandsSayWhatWasWrong_data()
    {
        QTest::addColumn<QByteArray>("command");
        QTest::addColumn<QByteArray>("said");
        QTest::newRow("unknown signal")
            << QByteArray("signal bogus") << QByteArray("? unknown signal 'bogus'; signals: none");
        QTest::newRow("byte out of range")
            << QByteArray("set 40 1") << QByteArray("? set BYTE VALUE: BYTE 0..39");
        QTest::newRow("no output") << QByteArray("unplug c") << QByteArray("? unplug a|b");
        QTest::newRow("unknown command")
            << QByteArray("frobnicate") << QByteArray("? unknown command 'frobnicate'");
    }
    void simCommandsSayWhatWasWrong()
    {
        QFETCH(QByteArray, command);
        QFETCH(QByteArray, said);
        sim_.write(command + '\n');
        QVERIFY2(simLogged(said), sim_.peek(1 << 20).right(300).constData());
    }

    void versions_data()
    {
        QTest::addColumn<QString>("program");
        QTest::newRow("korvalis-cli") << QStringLiteral(KORVALIS_CLI_PATH);
        QTest::newRow("korvalis-sim") << QStringLiteral(KORVALIS_SIM_PATH);
    }
    void versions()
    {
        QFETCH(QString, program);
        QProcess p;
        p.start(program, {"--version"});
        QVERIFY(p.waitForFinished(10000));
        QCOMPARE(p.exitCode(), 0);
        QVERIFY(QRegularExpression("^korvalis-(cli|sim) [0-9]+\\.[0-9]+\n$")
                    .match(QString::fromUtf8(p.readAllStandardOutput()))
                    .hasMatch());
    }
};

QTEST_GUILESS_MAIN(CliProcessTest)
#include "CliProcessTest.moc"
