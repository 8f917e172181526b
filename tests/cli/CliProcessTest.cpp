// The built korvalis-cli against a korvalis-sim process, in a private socket directory.
#include <QElapsedTimer>
#include <QProcess>
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
};

QTEST_GUILESS_MAIN(CliProcessTest)
#include "CliProcessTest.moc"
