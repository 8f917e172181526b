// The check of --device PATH: each refusal names the argument and what is wrong with it.
#include "cli/GlobalOptions.h"
#include "cli/Cli.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

class GlobalOptionsTest : public QObject
{
    Q_OBJECT

    QTemporaryDir tmp_;
    QString sockets_; // the simulator's directory

    static bool listenAt(const QString &path)
    {
        const int fd = ::socket(AF_UNIX, SOCK_SEQPACKET, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const QByteArray name = QFile::encodeName(path);
        if (fd < 0 || std::size_t(name.size()) >= sizeof address.sun_path)
            return false;
        std::copy(name.begin(), name.end(), address.sun_path);
        return ::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0;
    }

private slots:
    void initTestCase()
    {
        sockets_ = tmp_.filePath("korvalis-usb");
        QVERIFY(QDir().mkpath(sockets_));
        QVERIFY(listenAt(sockets_ + "/2023.sock"));
        QVERIFY(listenAt(tmp_.filePath("elsewhere.sock")));
        QFile plain(tmp_.filePath("plain.txt"));
        QVERIFY(plain.open(QIODevice::WriteOnly));
        QVERIFY(QDir::setCurrent(sockets_));
    }

    void device_data()
    {
        QTest::addColumn<QString>("given");
        QTest::addColumn<bool>("waiting");
        QTest::addColumn<int>("exit");     // 0: usable
        QTest::addColumn<QString>("said"); // the error, or the place looked up
        const QString inDir = sockets_ + "/2023.sock";
        QTest::newRow("identification string") << "2023" << false << 0 << "2023";
        QTest::newRow("socket, relative") << "./2023.sock" << false << 0 << inDir;
        QTest::newRow("missing") << "./2024.sock" << false << 3 << "./2024.sock: no such socket";
        QTest::newRow("missing, waited for")
            << "./2024.sock" << true << 0 << sockets_ + "/2024.sock";
        QTest::newRow("no socket") << tmp_.filePath("plain.txt") << false << 2 << "not a socket";
        QTest::newRow("another directory")
            << tmp_.filePath("elsewhere.sock") << false << 2 << "found in " + sockets_ + " only";
    }
    void device()
    {
        QFETCH(QString, given);
        QFETCH(bool, waiting);
        QFETCH(int, exit);
        QFETCH(QString, said);
        const cli::DevicePlace place = cli::devicePlace(given.toLocal8Bit(), sockets_, waiting);
        QCOMPARE(place.exitStatus, exit);
        if (exit == 0) {
            QCOMPARE(place.error, QString());
            QCOMPARE(QString::fromLocal8Bit(place.id), said);
        } else {
            QVERIFY2(place.error.startsWith("--device " + given), qPrintable(place.error));
            QVERIFY2(place.error.contains(said), qPrintable(place.error));
        }
    }
};

QTEST_GUILESS_MAIN(GlobalOptionsTest)
#include "GlobalOptionsTest.moc"
