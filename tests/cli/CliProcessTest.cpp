// The built korvalis-cli against a korvalis-sim process, in a private socket directory.
#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>
#include <csignal>

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

    // list --watch into a pipe, as a script reads it: each event line arrives while the
    // watch runs, words and JSON alike, never only when it ends.
    void watchLinesReachAPipeAtOnce_data()
    {
        QTest::addColumn<bool>("json");
        QTest::newRow("words") << false;
        QTest::newRow("json") << true;
    }
    void watchLinesReachAPipeAtOnce()
    {
        QFETCH(bool, json);
        QProcess watch; // its standard output is a pipe
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_RUNTIME_DIR", tmp_.path());
        watch.setProcessEnvironment(env);
        watch.start(QStringLiteral(KORVALIS_CLI_PATH),
                    json ? QStringList{"list", "--watch", "--json"}
                         : QStringList{"list", "--watch"});
        QVERIFY(watch.waitForStarted());
        const auto nextLine = [&watch] {
            QElapsedTimer t;
            t.start();
            while (!watch.canReadLine() && watch.state() == QProcess::Running &&
                   t.elapsed() < 10000)
                watch.waitForReadyRead(50);
            return watch.canReadLine() ? watch.readLine() : QByteArray();
        };
        const QString socketDir = tmp_.filePath("korvalis-usb");
        const auto check = [&](const QByteArray &line, const char *event, const char *id) {
            if (json) {
                const QJsonObject o = QJsonDocument::fromJson(line).object();
                return o.value("event").toString() == event && o.value("id").toString() == id &&
                       o.value("simulated").toBool() &&
                       o.value("where").toString() == socketDir + "/" + id + ".sock";
            }
            const QStringList f = QString::fromUtf8(line).split(' ', Qt::SkipEmptyParts);
            return f.size() == 5 && f[1] == event && f[2] == id && f[3] == "simulated" &&
                   f[4].trimmed() == socketDir + "/" + id + ".sock";
        };

        // The simulator of initTestCase is there: the watch is running once this line came.
        const QByteArray present = nextLine();
        QVERIFY2(check(present, "present", "2023"), present.constData());

        // Plug a second simulated unit (one id per row: a failed row leaves nothing in the way).
        const char *const id = json ? "watch-json" : "watch-words";
        QProcess unit;
        unit.start(QStringLiteral(KORVALIS_SIM_PATH), {"--dir", socketDir, "--id", id});
        QVERIFY(unit.waitForStarted());
        const QByteArray arrival = nextLine();
        QCOMPARE(watch.state(), QProcess::Running); // read before the watch ended
        QVERIFY2(check(arrival, "arrival", id), arrival.constData());

        watch.kill();
        QVERIFY(watch.waitForFinished(5000));
        // Ended once it handles SIGTERM (it says so with "serving"), so its socket goes too.
        QTRY_VERIFY(unit.peek(1 << 16).contains("serving"));
        unit.terminate();
        QVERIFY(unit.waitForFinished(5000));
    }

    // status --watch into a pipe: the status, then each change while the simulated signal
    // changes, the device's going and coming, each line read while the watch runs; an
    // interrupt ends it with status 0.
    void statusWatchLinesReachAPipe_data()
    {
        QTest::addColumn<bool>("json");
        QTest::newRow("words") << false;
        QTest::newRow("json") << true;
    }
    void statusWatchLinesReachAPipe()
    {
        QFETCH(bool, json);
        QProcess watch;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_RUNTIME_DIR", tmp_.path());
        watch.setProcessEnvironment(env);
        QStringList args{"status", "--watch", "--interval", "0.5"};
        if (json)
            args << "--json";
        watch.start(QStringLiteral(KORVALIS_CLI_PATH), args);
        QVERIFY(watch.waitForStarted());
        const auto nextLine = [&watch] {
            QElapsedTimer t;
            t.start();
            while (!watch.canReadLine() && watch.state() == QProcess::Running &&
                   t.elapsed() < 10000)
                watch.waitForReadyRead(50);
            return watch.canReadLine() ? watch.readLine().trimmed() : QByteArray();
        };
        // "field from -> to", "field value" or the event, from either form.
        const auto said = [json](const QByteArray &line) {
            if (!json)
                return QString::fromUtf8(line).section(u' ', 1);
            const QJsonObject o = QJsonDocument::fromJson(line).object();
            if (o.contains("from"))
                return QStringLiteral("%1 %2 -> %3")
                    .arg(o["field"].toString(), o["from"].toString(), o["to"].toString());
            if (o["event"] == "status")
                return o["field"].toString() + u' ' + o["value"].toString();
            return o["event"].toString();
        };
        QCOMPARE(said(nextLine()), QStringLiteral("input 1920x1080p60 HDMI"));
        while (!said(nextLine()).startsWith("maxfall ")) // the rest of the status
            QCOMPARE(watch.state(), QProcess::Running);

        const auto simCommand = [this](const QByteArray &command) {
            sim_.write(command);
            sim_.waitForBytesWritten(5000);
        };
        simCommand("signal 4k60-420-hdr10\n");
        QCOMPARE(said(nextLine()), QStringLiteral("input 1920x1080p60 HDMI -> 3840x2160p60 HDMI"));
        QString line;
        do
            line = said(nextLine());
        while (!line.isEmpty() && !line.startsWith("hdr "));
        QCOMPARE(line, QStringLiteral("hdr Not Active -> SMPTE ST 2084"));

        simCommand("unplug-device\n");
        do // the captured frame's fields first
            line = said(nextLine());
        while (!line.isEmpty() && line != "departure");
        QCOMPARE(line, QStringLiteral("departure"));
        simCommand("replug\nsignal 1080p60\n");
        QCOMPARE(said(nextLine()), QStringLiteral("arrival"));
        QCOMPARE(watch.state(), QProcess::Running); // read before the watch ended

        ::kill(pid_t(watch.processId()), SIGINT);
        QVERIFY(watch.waitForFinished(5000));
        QCOMPARE(watch.exitStatus(), QProcess::NormalExit);
        QCOMPARE(watch.exitCode(), 0);
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
