// The socket backend against simulators served in this process (a thread) and by korvalis-sim.
#include "Bytes.h"
#include "RecordingAlerts.h"
#include "device/Clock.h"
#include "device/Commands.h"
#include "device/DeviceLink.h"
#include "device/VirtualUsbApi.h"
#include "sim/DeviceModel.h"
#include "sim/EdidGenerator.h"
#include "sim/SimServer.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

namespace
{

// A device model served on its own thread until destroyed.
struct ServedDevice {
    SystemClock clock;
    DeviceModel model{clock};
    SimServer server{model, clock};
    std::thread thread;

    ServedDevice(const QString &dir, const QByteArray &id)
    {
        model.setRebuildBusyMs(50);
        model.setFetchBusyMs(20);
        QString error;
        started = server.start(dir, id, &error) == SimServer::Start::Ok;
        if (started)
            thread = std::thread([this] { server.run(); });
    }
    ~ServedDevice()
    {
        server.stop();
        if (thread.joinable())
            thread.join();
    }
    bool started = false;
};

bool waitFor(const std::function<bool()> &condition, int ms = 2000)
{
    QElapsedTimer t;
    t.start();
    while (!condition()) {
        if (t.elapsed() > ms)
            return false;
        QThread::msleep(1);
    }
    return true;
}

} // namespace

class VirtualUsbTest : public QObject
{
    Q_OBJECT

    QTemporaryDir tmp_;
    QString dir_;
    int serial_ = 0;

    struct Link {
        SystemClock clock;
        RecordingAlerts alerts;
        VirtualUsbApi usb;
        DeviceLink link{usb, clock, alerts};
        explicit Link(const QString &dir) : usb(dir) {}
        bool open(const QByteArray &id = "2023")
        {
            std::uint32_t index = 0;
            return link.findDevice(id, index) && link.openDevice(index);
        }
        bool ok(const cmd::Request &r, cmd::ReplyBuffer *out = nullptr)
        {
            cmd::ReplyBuffer reply{};
            const bool accepted = r.accepted(link.transact(reply, r), reply);
            if (out)
                *out = reply;
            return accepted;
        }
        void waitIdle()
        {
            cmd::ReplyBuffer reply{};
            for (int i = 0; i < 500; ++i) {
                if (ok(cmd::settingsRead(42), &reply) && !(reply[1] & 1))
                    return;
                clock.sleep(10);
            }
        }
    };

private slots:
    void init()
    {
        // A fresh private directory per test, never the user's own.
        dir_ = tmp_.path() + QStringLiteral("/usb%1").arg(++serial_);
        QVERIFY(QDir().mkdir(dir_));
        QVERIFY(::chmod(QFile::encodeName(dir_).constData(), 0700) == 0);
    }

    void defaultDirectoryFollowsXdgRuntimeDir()
    {
        const QByteArray saved = qgetenv("XDG_RUNTIME_DIR");
        qputenv("XDG_RUNTIME_DIR", "/run/user/4711");
        QCOMPARE(VirtualUsbApi::defaultDirectory(), QStringLiteral("/run/user/4711/korvalis-usb"));
        qputenv("XDG_RUNTIME_DIR", "");
        QCOMPARE(VirtualUsbApi::defaultDirectory(),
                 QStringLiteral("/tmp/korvalis-usb-%1").arg(::getuid()));
        qunsetenv("XDG_RUNTIME_DIR");
        QCOMPARE(VirtualUsbApi::defaultDirectory(),
                 QStringLiteral("/tmp/korvalis-usb-%1").arg(::getuid()));
        if (!saved.isNull())
            qputenv("XDG_RUNTIME_DIR", saved);
    }

    void idSyntax_data()
    {
        QTest::addColumn<QByteArray>("id");
        QTest::addColumn<bool>("valid");
        QTest::newRow("2023") << QByteArray("2023") << true;
        QTest::newRow("all classes") << QByteArray("Az09._-") << true;
        QTest::newRow("64") << QByteArray(64, 'x') << true;
        QTest::newRow("65") << QByteArray(65, 'x') << false;
        QTest::newRow("empty") << QByteArray() << false;
        QTest::newRow("blank") << QByteArray("20 23") << false;
        QTest::newRow("slash") << QByteArray("a/b") << false;
        QTest::newRow("umlaut") << QByteArray("\xc3\xa4") << false;
    }
    void idSyntax()
    {
        QFETCH(QByteArray, id);
        QFETCH(bool, valid);
        QCOMPARE(VirtualUsbApi::isValidId(id), valid);
    }

    void discoveryListsSocketsSortedByName()
    {
        ServedDevice b(dir_, "b-unit");
        ServedDevice a(dir_, "2023");
        ServedDevice c(dir_, "A.9");
        QVERIFY(a.started && b.started && c.started);
        QFile plain(dir_ + "/notasocket.sock"); // a plain file is no device
        QVERIFY(plain.open(QIODevice::WriteOnly));
        plain.close();
        QFile::link(dir_ + "/2023.sock", dir_ + "/linked.sock"); // nor a symbolic link
        VirtualUsbApi usb(dir_);
        std::uint32_t count = 0;
        QCOMPARE(usb.getNumDevices(&count), 0);
        QCOMPARE(count, 3u);
        QStringList ids;
        for (std::uint32_t i = 0; i < count; ++i) {
            char buffer[UsbApi::StringBufferSize];
            std::memset(buffer, 'x', sizeof buffer);
            QCOMPARE(usb.getProductString(i, buffer, 0), 0);
            ids << QString::fromLatin1(buffer);
        }
        QCOMPARE(ids, (QStringList{"2023", "A.9", "b-unit"}));
        char buffer[UsbApi::StringBufferSize];
        QVERIFY(usb.getProductString(3, buffer, 0) != 0);

        Link link(dir_);
        std::uint32_t index = 9;
        QCOMPARE(link.link.findDevice("b-unit", index), std::uint8_t(1));
        QCOMPARE(index, 2u);
        QCOMPARE(link.link.findDevice("2023 ", index), std::uint8_t(0));
    }

    void registerWriteThenSettingsRead()
    {
        ServedDevice device(dir_, "2023");
        QVERIFY(device.started);
        Link link(dir_);
        QVERIFY(link.open());
        QVERIFY(link.ok(cmd::registerWrite(38, 1))); // split enable: setting byte 36
        cmd::ReplyBuffer reply{};
        QVERIFY(link.ok(cmd::settingsRead(42), &reply));
        QCOMPARE(reply[2 + 36], std::uint8_t(1));
        QVERIFY(link.ok(cmd::infoBlockRead(7, 8), &reply));
        QCOMPARE(bytes(reply, 6).mid(2), QByteArray::fromHex("010b0005"));
        link.link.closeDevice();
        QVERIFY(link.alerts.shown.isEmpty());
        const QList<QByteArray> seen =
            device.server.withModel([](DeviceModel &m) { return m.requests(); });
        QCOMPARE(seen, (QList<QByteArray>{QByteArray::fromHex("1004e02601"),
                                          QByteArray::fromHex("112ae1"),
                                          QByteArray::fromHex("1108e007")}));
    }

    void edidUploadAndReadBackOverTheSocket()
    {
        ServedDevice device(dir_, "2023");
        QVERIFY(device.started);
        Link link(dir_);
        QVERIFY(link.open());
        QByteArray table = edidgen::builtinTable(9);
        table[200] = char(0x5A); // not any built-in table
        for (int i = 0; i < 32; ++i)
            QVERIFY(link.ok(cmd::edidDataWrite(
                std::uint8_t(8 * i),
                reinterpret_cast<const std::uint8_t *>(table.constData()) + 8 * i)));
        QVERIFY(link.ok(cmd::edidCommit()));
        QVERIFY(link.ok(cmd::registerWrite(5, 3)));
        QVERIFY(link.ok(cmd::registerWrite(14, 1)));
        link.waitIdle();
        QVERIFY(link.ok(cmd::edidFetch(cmd::EdidFetchOwn)));
        link.waitIdle();
        QByteArray read;
        for (int offset = 0; offset < 256; offset += 16) {
            cmd::ReplyBuffer reply{};
            QVERIFY(link.ok(cmd::edidDataRead(std::uint8_t(offset)), &reply));
            read += bytes(reply, 16);
        }
        QCOMPARE(read, table);
    }

    void eightyByteReplyLeavesSixteenUntilTheFlush()
    {
        ServedDevice device(dir_, "2023");
        QVERIFY(device.started);
        device.server.withModel([](DeviceModel &m) {
            DeviceModel::Fault f;
            f.kind = DeviceModel::FaultKind::LongReply;
            f.code = cmd::SettingsRead;
            f.count = 1;
            m.addFault(f);
        });
        Link link(dir_);
        QVERIFY(link.open());
        cmd::ReplyBuffer reply{};
        QCOMPARE(link.link.transact(reply, cmd::settingsRead(42)), std::uint8_t(1));
        QCOMPARE(reply[0], std::uint8_t(0xE1));
        std::uint32_t waiting = 0, status = 0;
        QCOMPARE(link.usb.checkRxQueue(link.link.deviceHandle(), &waiting, &status), 0);
        QCOMPARE(waiting, 16u);
        std::uint8_t rest[64];
        std::uint32_t got = 0;
        QCOMPARE(link.usb.read(link.link.deviceHandle(), rest, 10, &got), 0);
        QCOMPARE(got, 10u); // a read takes at most its capacity
        QCOMPARE(link.usb.checkRxQueue(link.link.deviceHandle(), &waiting, &status), 0);
        QCOMPARE(waiting, 6u);
        // The next exchange flushes the leftovers and gets its own reply.
        QVERIFY(link.ok(cmd::registerWrite(1, 0), &reply));
        QCOMPARE(link.usb.checkRxQueue(link.link.deviceHandle(), &waiting, &status), 0);
        QCOMPARE(waiting, 0u);
    }

    void flushDiscardsWhatIsPendingOnTheSocket()
    {
        ServedDevice device(dir_, "2023");
        QVERIFY(device.started);
        VirtualUsbApi usb(dir_);
        std::uint32_t count = 0, waiting = 0, status = 0, n = 0;
        usb.getNumDevices(&count);
        UsbApi::Handle h = -1;
        QCOMPARE(usb.open(0, &h), 0);
        const cmd::Request r = cmd::settingsRead(42);
        QCOMPARE(usb.write(h, r.bytes.data(), r.length, &n), 0);
        QCOMPARE(n, 3u);
        // Wait for the reply to sit on the socket without taking it into the queue.
        QThread::msleep(50);
        QCOMPARE(usb.flushBuffers(h, 1, 1), 0);
        QCOMPARE(usb.checkRxQueue(h, &waiting, &status), 0);
        QCOMPARE(waiting, 0u);
        QCOMPARE(usb.close(h), 0);
        QVERIFY(usb.close(h) != 0);
        QVERIFY(usb.write(h, r.bytes.data(), r.length, &n) != 0);
    }

    void staleSocketFailsToOpen()
    {
        const QByteArray path = QFile::encodeName(dir_ + "/2023.sock");
        const int fd = ::socket(AF_UNIX, SOCK_SEQPACKET, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::memcpy(address.sun_path, path.constData(), std::size_t(path.size()));
        QCOMPARE(::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address), 0);
        ::close(fd); // the file stays, nobody listens
        Link link(dir_);
        std::uint32_t index = 7;
        QCOMPARE(link.link.findDevice("2023", index), std::uint8_t(1));
        QCOMPARE(link.link.openDevice(index), std::uint8_t(0));
        QCOMPARE(link.alerts.shown, QStringList{"Usb device open error!"});
        QVERIFY(!link.link.isOpen());
        // A simulator replaces the stale file and serves.
        ServedDevice device(dir_, "2023");
        QVERIFY(device.started);
        Link again(dir_);
        QVERIFY(again.open());
        QVERIFY(again.ok(cmd::registerWrite(1, 1)));
    }

    void unplugMidExchange()
    {
        ServedDevice device(dir_, "2023");
        QVERIFY(device.started);
        device.server.withModel([](DeviceModel &m) {
            DeviceModel::Fault f;
            f.kind = DeviceModel::FaultKind::NoReply;
            f.code = cmd::SettingsRead;
            m.addFault(f);
            m.unplugAfter(2);
        });
        Link link(dir_);
        QVERIFY(link.open());
        QVERIFY(link.ok(cmd::registerWrite(1, 0)));
        // The device takes the settings read and goes away without answering.
        const cmd::Request r = cmd::settingsRead(42);
        std::uint32_t n = 0, waiting = 0, status = 0;
        QCOMPARE(link.usb.write(link.link.deviceHandle(), r.bytes.data(), r.length, &n), 0);
        QVERIFY(waitFor([&] { return !QFile::exists(dir_ + "/2023.sock"); }));
        // The queue check reports nothing and keeps blocking about 1 ms, never spinning.
        QElapsedTimer t;
        t.start();
        for (int i = 0; i < 20; ++i) {
            QCOMPARE(link.usb.checkRxQueue(link.link.deviceHandle(), &waiting, &status), 0);
            QCOMPARE(waiting, 0u);
        }
        QVERIFY(t.elapsed() >= 15);
        // Every later exchange fails at the write.
        cmd::ReplyBuffer reply{};
        QCOMPARE(link.link.transact(reply, cmd::registerWrite(1, 1)), std::uint8_t(0));
        QCOMPARE(reply[0], std::uint8_t(0));
        QVERIFY(link.alerts.shown.isEmpty());
        std::uint32_t index = 0;
        QCOMPARE(link.link.findDevice("2023", index), std::uint8_t(0));
    }

    void directoryWithWrongPermissionsIsIgnored_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("usable");
        QTest::newRow("0700") << 0700 << true;
        QTest::newRow("0750") << 0750 << false;
        QTest::newRow("0705") << 0705 << false;
        QTest::newRow("0777") << 0777 << false;
    }
    void directoryWithWrongPermissionsIsIgnored()
    {
        QFETCH(int, mode);
        QFETCH(bool, usable);
        ServedDevice device(dir_, "2023");
        QVERIFY(device.started);
        QCOMPARE(::chmod(QFile::encodeName(dir_).constData(), mode_t(mode)), 0);
        VirtualUsbApi usb(dir_);
        std::uint32_t count = 99;
        QCOMPARE(usb.getNumDevices(&count), 0);
        QCOMPARE(count, usable ? 1u : 0u);
        // A symbolic link to a private directory is not trusted either.
        ::chmod(QFile::encodeName(dir_).constData(), 0700);
        const QString link = dir_ + "-link";
        QVERIFY(QFile::link(dir_, link));
        VirtualUsbApi viaLink(link);
        QCOMPARE(viaLink.getNumDevices(&count), 0);
        QCOMPARE(count, 0u);
    }

    void simulatorProgram()
    {
        const QString program = QStringLiteral(KORVALIS_SIM_PATH);
        QVERIFY(QFile::exists(program));
        const QString dir = dir_ + "/fresh"; // the program creates it
        QProcess sim;
        sim.start(program, {"--dir", dir, "--id", "2023", "--signal", "4k60-420-hdr10"});
        QVERIFY(sim.waitForStarted());
        QVERIFY(waitFor(
            [&] {
                sim.waitForReadyRead(10);
                return sim.peek(4096).contains("serving");
            },
            5000));
        struct stat st {
        };
        QCOMPARE(::stat(QFile::encodeName(dir).constData(), &st), 0);
        QCOMPARE(int(st.st_mode & 0777), 0700);

        // A second one for the same id refuses to start.
        QProcess second;
        second.start(program, {"--dir", dir, "--id", "2023"});
        QVERIFY(second.waitForFinished(5000));
        QCOMPARE(second.exitCode(), 3);

        Link link(dir);
        QVERIFY(link.open());
        sim.write("set 6 0\nsignal 3d-sbs\n");
        QVERIFY(waitFor(
            [&] {
                sim.waitForReadyRead(10);
                return sim.peek(65536).contains("signal 3d-sbs");
            },
            5000));
        cmd::ReplyBuffer reply{};
        QVERIFY(link.ok(cmd::settingsRead(42), &reply));
        QCOMPARE(reply[2 + 6], std::uint8_t(0));
        QVERIFY(link.ok(cmd::infoBlockRead(6, 15), &reply));
        QCOMPARE(reply[14], std::uint8_t(0x40));
        QVERIFY(waitFor(
            [&] {
                sim.waitForReadyRead(10);
                return sim.peek(65536).contains("> e1 00 01");
            },
            5000));
        const QString log = QString::fromLatin1(sim.readAllStandardOutput());
        QVERIFY2(log.contains(QRegularExpression("\\d\\d:\\d\\d:\\d\\d\\.\\d{3} < 11 2a e1\n")),
                 qPrintable(log));

        sim.terminate(); // SIGTERM
        QVERIFY(sim.waitForFinished(5000));
        QCOMPARE(sim.exitStatus(), QProcess::NormalExit);
        QCOMPARE(sim.exitCode(), 0);
        QVERIFY(!QFile::exists(dir + "/2023.sock"));
        QCOMPARE(link.link.transact(reply, cmd::registerWrite(1, 1)), std::uint8_t(0));
    }

    void simulatorProgramOptions_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        QTest::newRow("help") << QStringList{"--help"} << 0;
        QTest::newRow("unknown signal") << QStringList{"--signal", "8k"} << 2;
        QTest::newRow("bad id") << QStringList{"--id", "a b"} << 1;
        QTest::newRow("unknown option") << QStringList{"--frobnicate"} << 2;
        QTest::newRow("missing value") << QStringList{"--delay"} << 2;
    }
    void simulatorProgramOptions()
    {
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        QProcess sim;
        sim.start(QStringLiteral(KORVALIS_SIM_PATH), QStringList{"--dir", dir_} + args);
        QVERIFY(sim.waitForFinished(5000));
        QCOMPARE(sim.exitCode(), exitCode);
        if (args.first() == "--help")
            QVERIFY(sim.readAllStandardOutput().contains("--unplug-after N"));
    }
};

QTEST_GUILESS_MAIN(VirtualUsbTest)
#include "VirtualUsbTest.moc"
