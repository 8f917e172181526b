#include <QDirIterator>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>
#include <unistd.h>

// Installs the build into a staging directory once, then checks what was installed.
class InstallTest : public QObject
{
    Q_OBJECT

    QTemporaryDir stage_;
    QString rules_; // the installed rule file

    static QString run(const QString &program, const QStringList &args, int *exitCode,
                       const QProcessEnvironment &env = QProcessEnvironment::systemEnvironment())
    {
        QProcess p;
        p.setProcessEnvironment(env);
        p.setProcessChannelMode(QProcess::MergedChannels);
        p.start(program, args);
        if (!p.waitForFinished(120000)) {
            *exitCode = -1;
            return p.errorString();
        }
        *exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
        return QString::fromLocal8Bit(p.readAll());
    }
    void requireTool(const char *tool)
    {
        if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
            QSKIP(qPrintable(QStringLiteral("%1 is not installed").arg(tool)));
    }

private slots:
    void initTestCase()
    {
        QVERIFY(stage_.isValid());
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("DESTDIR", stage_.path());
        int rc = 0;
        const QString out =
            run("cmake", {"--install", KORVALIS_BUILD_DIR, "--prefix", "/usr"}, &rc, env);
        QVERIFY2(rc == 0, qPrintable(out));
        rules_ = stage_.path() + KORVALIS_UDEV_RULES_DIR + "/70-korvalis.rules";
    }

    void fileList()
    {
        QStringList files;
        QDirIterator it(stage_.path(), QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext())
            files << it.next().mid(stage_.path().size());
        files.sort();
        const QString icons = "/usr/share/icons/hicolor/%1/apps/org.korvalis.Utility.png";
        QStringList expected = {"/usr/bin/korvalis_gui",
                                "/usr/bin/korvalis_gui_alt",
                                "/usr/bin/korvalis-cli",
                                "/usr/bin/korvalis-sim",
                                "/usr/share/applications/org.korvalis.Utility.desktop",
                                "/usr/share/applications/org.korvalis.UtilityCompact.desktop",
                                "/usr/share/metainfo/org.korvalis.Utility.metainfo.xml",
                                icons.arg("16x16"),
                                icons.arg("32x32"),
                                icons.arg("48x48"),
                                icons.arg("256x256"),
                                "/usr/share/man/man1/korvalis-cli.1.gz",
                                "/usr/share/man/man1/korvalis-sim.1.gz",
                                "/usr/share/bash-completion/completions/korvalis-cli",
                                "/usr/share/doc/korvalis-utility/copyright",
                                "/usr/share/doc/korvalis-utility/changelog.gz",
                                QStringLiteral(KORVALIS_UDEV_RULES_DIR) + "/70-korvalis.rules"};
        expected.sort();
        QCOMPARE(files, expected);
        QVERIFY(QFileInfo(stage_.path() + "/usr/bin/korvalis_gui").isExecutable());
    }

    void validators_data()
    {
        QTest::addColumn<QString>("tool");
        QTest::addColumn<QStringList>("args");
        QTest::newRow("desktop files")
            << "desktop-file-validate"
            << QStringList{"usr/share/applications/org.korvalis.Utility.desktop",
                           "usr/share/applications/org.korvalis.UtilityCompact.desktop"};
        QTest::newRow("metainfo") << "appstreamcli"
                                  << QStringList{"validate", "--no-net",
                                                 "usr/share/metainfo/"
                                                 "org.korvalis.Utility.metainfo.xml"};
    }
    void validators()
    {
        QFETCH(QString, tool);
        QFETCH(QStringList, args);
        requireTool(tool.toLatin1().constData());
        for (QString &a : args)
            if (a.startsWith("usr/"))
                a = stage_.path() + '/' + a;
        int rc = 0;
        const QString out = run(tool, args, &rc);
        QVERIFY2(rc == 0, qPrintable(out));
        if (tool == "desktop-file-validate") // it reports problems with status 0 too
            QVERIFY2(out.trimmed().isEmpty(), qPrintable(out));
    }

    // udevadm test on a umockdev device, with the installed rule in a private /etc/udev/rules.d
    // beside the system's rules (so 73-seat-late.rules applies the tag), and a private
    // /run/udev, so that the test neither reads nor leaves a device database entry.
    void udevRule_data()
    {
        QTest::addColumn<QByteArray>("serial");
        QTest::addColumn<bool>("tagged");
        QTest::newRow("2023") << QByteArray("2023") << true;
        QTest::newRow("2024") << QByteArray("2024") << false;
    }
    void udevRule()
    {
        QFETCH(QByteArray, serial);
        QFETCH(bool, tagged);
        requireTool("udevadm");
        requireTool("umockdev-run");
        requireTool("unshare");
        QTemporaryDir work;
        QVERIFY(work.isValid());
        QVERIFY(QDir().mkpath(work.path() + "/rules"));
        QVERIFY(QFile::copy(rules_, work.path() + "/rules/70-korvalis.rules"));
        QFile device(work.path() + "/device.umockdev");
        QVERIFY(device.open(QIODevice::WriteOnly));
        device.write("P: /devices/korvalis-test/usb201/201-1\nN: bus/usb/201/002\n"
                     "E: DEVNAME=/dev/bus/usb/201/002\nE: DEVTYPE=usb_device\n"
                     "E: SUBSYSTEM=usb\nE: MAJOR=189\nE: MINOR=129\n"
                     "A: busnum=201\nA: devnum=2\nA: serial=" +
                     serial + "\n");
        device.close();
        const QString script =
            QStringLiteral("mount --bind '%1/rules' /etc/udev/rules.d && mkdir -p /run/udev && "
                           "mount -t tmpfs korvalis-test /run/udev && umockdev-run -d "
                           "'%1/device.umockdev' -- udevadm test --action=add "
                           "/sys/devices/korvalis-test/usb201/201-1")
                .arg(work.path());
        // A private mount namespace; without root, inside a user namespace.
        const QStringList mode = ::geteuid() == 0 ? QStringList{"-m"} : QStringList{"-rm"};
        int rc = 0;
        const QString out = run("unshare", mode + QStringList{"sh", "-c", script}, &rc);
        if (rc != 0 && out.contains("unshare:"))
            QSKIP(qPrintable("no private mount namespace here: " + out.trimmed()));
        QVERIFY2(rc == 0, qPrintable(out));
        QVERIFY2(out.contains("Reading rules file: /etc/udev/rules.d/70-korvalis.rules"),
                 qPrintable(out));
        // Tagged by our rule only (the 2024 row has nothing else tag it), then applied.
        const bool tags = out.contains(QRegularExpression("\\nCURRENT_TAGS=\\S*:uaccess:"));
        const bool applied = out.contains("73-seat-late.rules") && out.contains("RUN 'uaccess'");
        QCOMPARE(tags, tagged);
        QCOMPARE(applied, tagged);
    }
};

QTEST_GUILESS_MAIN(InstallTest)
#include "InstallTest.moc"
