// korvalis-cli hdr and avi against the in-process device model: frames built from numbers go
// out exactly as the same bytes typed as HEX, malformed frames are refused, odd ones warned of.
#include "cli/Cli.h"

#include "CliRig.h"

#include <QBuffer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

namespace
{

const char kHdr10[] = "87:01:1a:91:02:00:48:8a:08:39:34:21:aa:9b:96:19:fc:08:13:3d:42:40:e8:03:"
                      "32:00:e8:03:90:01";

struct Rig : CliRig {
    // The store and activate requests and register writes: what a send changes on the device.
    QList<QByteArray> sent() const
    {
        QList<QByteArray> writes;
        for (const QByteArray &r : model.requests())
            if (!r.isEmpty() && std::uint8_t(r[0]) == cmd::DirWrite)
                writes << r;
        return writes;
    }
};

} // namespace

class InfoframeCliTest : public QObject
{
    Q_OBJECT

private slots:
    void sendsWhatTheHexSends_data()
    {
        QTest::addColumn<QString>("signal");
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("hex"); // the same send typed as bytes
        const QStringList hdr{"hdr", "send"};
        QTest::newRow("preset") << "" << hdr + QStringList{"--preset", "hdr10-1000"} << kHdr10;
        QTest::newRow("every field as a number")
            << "" << hdr + QStringList{"--eotf",          "pq",     "--primaries",     "bt2020",
                                       "--white",         "d65",    "--max-luminance", "1000",
                                       "--min-luminance", "0.0050", "--max-cll",       "1000",
                                       "--max-fall",      "400"}
            << kHdr10;
        // The source's frame keeps its own order of primaries; only the max changes.
        QTest::newRow("capture with a lower max")
            << "4k60-420-hdr10" << hdr + QStringList{"--from-capture", "--max-luminance", "600"}
            << "87:01:1a:22:02:00:34:21:aa:9b:96:19:fc:08:48:8a:08:39:13:3d:42:40:58:02:32:00:"
               "e8:03:90:01";
        QTest::newRow("stored back to SDR")
            << "" << hdr + QStringList{"--from-stored", "--eotf", "sdr"}
            << "87:01:1a:93:00:00:34:21:aa:9b:96:19:fc:08:48:8a:08:39:13:3d:42:40:e8:03:32:00:"
               "e8:03:90:01";
        const QStringList avi{"avi", "send"};
        QTest::newRow("avi: VIC of typed bytes")
            << "" << avi + QStringList{"60:c8:60:61:00", "--vic", "16"} << "60:c8:60:10:00";
        QTest::newRow("avi: a field beyond the typed bytes")
            << "" << avi + QStringList{"60:c8", "--vic", "16"} << "60:c8:00:10";
        QTest::newRow("avi: fields of data bytes 1, 3 and 5")
            << "" << avi + QStringList{"00:00:00:00:00", "--colour-format", "ycbcr444",
                                       "--quantization", "limited",         "--ycc-quantization",
                                       "full",           "--content-type",  "game"}
            << "40:00:84:00:70";
        QTest::newRow("avi: the stored bytes, BT.2020")
            << "" << avi + QStringList{"--colorimetry", "bt2020"}
            << "00:e8:68:10:00:00:00:00:00:00:00:00:00";
    }
    void sendsWhatTheHexSends()
    {
        QFETCH(QString, signal);
        QFETCH(QStringList, args);
        QFETCH(QString, hex);
        Rig built;
        if (!signal.isEmpty())
            QVERIFY(built.model.selectSignal(signal));
        QCOMPARE(built.run(args), 0);
        QVERIFY(built.out.data().contains(hex.toLatin1())); // the sent line names the bytes
        Rig typed;
        QCOMPARE(typed.run(QStringList{args[0], "send", hex}), 0);
        QVERIFY(!typed.sent().isEmpty());
        QCOMPARE(built.sent(), typed.sent());
    }

    void refusesAndWarns_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exit");
        QTest::addColumn<QString>("stderr"); // contained
        QTest::addColumn<bool>("sends");
        QTest::newRow("malformed frame")
            << QStringList{"hdr", "send", "87:01:1a:91:02"} << 2
            << "length byte 0x1a, the bytes need 0x01; checksum 0x91, the bytes need 0x5c" << false;
        QTest::newRow("wrong type")
            << QStringList{"hdr", "send", QString(kHdr10).replace(0, 2, "82")} << 2
            << "type 0x82, an HDR infoframe needs 0x87" << false;
        QTest::newRow("forced") << QStringList{"hdr", "send", "87:01:1a:91:02", "--force"} << 0
                                << "warning: checksum 0x91" << true;
        QTest::newRow("odd values go out with a warning")
            << QStringList{"hdr", "send", "--preset", "hdr10-1000", "--max-fall", "2000"} << 0
            << "warning: MaxFALL 2000 cd/m² is above MaxCLL 1000 cd/m²" << true;
        QTest::newRow("fields without a start") << QStringList{"hdr", "send", "--max-cll", "500"}
                                                << 2 << "needs HEX, --preset" << false;
        QTest::newRow("HEX with fields")
            << QStringList{"hdr", "send", kHdr10, "--eotf", "sdr"} << 2 << "as typed" << false;
        QTest::newRow("two starts")
            << QStringList{"hdr", "send", "--preset", "sdr", "--from-stored"} << 2
            << "starts from one of" << false;
        QTest::newRow("no capture to start from") << QStringList{"hdr", "send", "--from-capture"}
                                                  << 1 << "sends no HDR infoframe" << false;
        QTest::newRow("avi VIC beyond a byte")
            << QStringList{"avi", "send", "--vic", "300"} << 2 << "--vic takes" << false;
        QTest::newRow("avi VIC beyond 7 bits")
            << QStringList{"avi", "send", "00:00", "--vic", "200"} << 0
            << "warning: VIC 200 needs AVI version 3" << true;
        QTest::newRow("avi with nothing to send")
            << QStringList{"avi", "send"} << 2 << "needs HEX or a field option" << false;
        QTest::newRow("field option of the other frame")
            << QStringList{"avi", "send", "00:00", "--eotf", "pq"} << 2 << "--eotf does not apply"
            << false;
        QTest::newRow("decode: no hex")
            << QStringList{"hdr", "decode", "87:0g"} << 2 << "is not a hex digit" << false;
    }
    void refusesAndWarns()
    {
        QFETCH(QStringList, args);
        QFETCH(int, exit);
        QFETCH(QString, stderr);
        QFETCH(bool, sends);
        Rig rig;
        QCOMPARE(rig.run(args), exit);
        QVERIFY2(rig.stderrText().contains(stderr), qPrintable(rig.stderrText()));
        QCOMPARE(!rig.sent().isEmpty(), sends);
    }

    void showsCaptureAndStored_data()
    {
        QTest::addColumn<QString>("signal");
        QTest::addColumn<QString>("captured"); // its max_cll, or null
        QTest::newRow("HDR10 source") << "4k60-420-hdr10"
                                      << "1000";
        QTest::newRow("SDR source") << "1080p60"
                                    << "null";
    }
    void showsCaptureAndStored()
    {
        QFETCH(QString, signal);
        QFETCH(QString, captured);
        Rig rig;
        QVERIFY(rig.model.selectSignal(signal));
        QCOMPARE(rig.run({"hdr", "show", "--json"}), 0);
        const QJsonObject o = QJsonDocument::fromJson(rig.out.data()).object();
        const QJsonValue c = o.value("captured");
        QCOMPARE(c.isNull() ? QString("null") : QString::number(c["max_cll"].toInt()), captured);
        QCOMPARE(o.value("stored")["checksum_ok"].toBool(), true);
        QCOMPARE(o.value("stored")["gamut"].toString(), QString("BT.2020"));
    }
};

QTEST_GUILESS_MAIN(InfoframeCliTest)
#include "InfoframeCliTest.moc"
