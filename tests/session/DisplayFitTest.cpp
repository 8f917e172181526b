// Real displays' tables against the source signals the device reports.
#include "session/DisplayFit.h"
#include "status/StatusDecoder.h"

#include <QFile>
#include <QtTest>

namespace
{

edid::EdidInfo table(const QString &name)
{
    QFile file(QStringLiteral(KORVALIS_EDID_DATA "/") + name + QStringLiteral(".bin"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray b = file.readAll();
    return edid::decodeEdid(edid::Bytes(b.begin(), b.end()));
}

// The status blocks of a signal, as the device sends them: VIC, clock class, colour format
// (AVI byte 1) and EOTF.
status::Values signal(int vic, int clockClass, int avi1, int eotf)
{
    StatusBlocks b;
    b.status[0] = b.sourceInfo[0] = b.hdrCapture[0] = 0xE0;
    b.status[2] = std::uint8_t(vic);
    b.status[3] = 0x10; // HDMI
    b.status[4] = std::uint8_t(clockClass);
    b.status[10] = std::uint8_t(avi1);
    b.hdrCapture[4] = std::uint8_t(eotf);
    b.gatingRead = true;
    return *decodeStatusValues(b);
}

} // namespace

class DisplayFitTest : public QObject
{
    Q_OBJECT

private slots:
    void summary_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("largest");
        QTest::addColumn<int>("maxTmds"); // -1: not told
        QTest::newRow("DVI monitor: a detailed timing") << "Dell-3007WFP-0B0AA1536BD8"
                                                        << "2560x1600p60" << -1;
        QTest::newRow("TV: the HDMI block's clock") << "Sony-TV_SNY0902-0A20C322F922"
                                                    << "1920x1080p60" << 165;
        QTest::newRow("HDMI 2 receiver: a listed VIC, the forum block's clock")
            << "Denon-AVR_DON0047-352471504D3B" << "4096x2160p60" << 600;
    }
    void summary()
    {
        QFETCH(QString, file);
        QFETCH(QString, largest);
        QFETCH(int, maxTmds);
        const session::DisplaySummary d = session::summariseDisplay(table(file));
        QCOMPARE(d.largestMode, largest);
        QCOMPARE(d.maxTmdsMhz.value_or(-1), maxTmds);
    }

    // Each misfit named by a word it must contain, in the order the rules run.
    void misfits_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("vic");
        QTest::addColumn<int>("clockClass");
        QTest::addColumn<int>("avi1");
        QTest::addColumn<int>("eotf");
        QTest::addColumn<QStringList>("expected");
        // 4k60 4:2:0 10-bit (375 MHz class) with PQ.
        QTest::newRow("4k HDR10 to a 1080p TV")
            << "Sony-TV_SNY0902-0A20C322F922" << 97 << 1 << 0x60 << 2
            << QStringList{"3840x2160 is larger", "375 MHz clock is beyond the display's 165",
                           "PQ", "4:2:0 for", "10-bit colour"};
        QTest::newRow("4k HDR10 to a 4k HDR TV with stereo only")
            << "Samsung-SAM0D3F-44D480F98D34" << 97 << 1 << 0x60 << 2 << QStringList{"stereo"};
        QTest::newRow("HLG to a capture device without HDR")
            << "Elgato-HD60_S_plus-1FDE5983D042" << 97 << 0 << 0x00 << 3
            << QStringList{"HLG", "stereo"};
        QTest::newRow("4k60 4:4:4 600 MHz to a 225 MHz TV")
            << "LG-TV_GSM0001-03BE32F4C781" << 97 << 2 << 0x40 << 0
            << QStringList{"larger", "600 MHz clock is beyond the display's 225"};
        QTest::newRow("everything fits a 4k HDR receiver")
            << "Denon-AVR_DON0047-352471504D3B" << 97 << 2 << 0x40 << 2 << QStringList{};
        QTest::newRow("HDMI to DVI") << "Dell-3007WFP-0B0AA1536BD8" << 16 << 0 << 0x00 << 0
                                     << QStringList{"DVI display"};
        QTest::newRow("4:2:2 to a display without it") << "Elgato-HD60_S_plus-1FDE5983D042"
                                                       << 16 << 0 << 0x20 << 0
                                                       << QStringList{"YCbCr 4:2:2", "stereo"};
    }
    void misfits()
    {
        QFETCH(QString, file);
        QFETCH(int, vic);
        QFETCH(int, clockClass);
        QFETCH(int, avi1);
        QFETCH(int, eotf);
        QFETCH(QStringList, expected);
        const QStringList said = session::misfits(session::summariseDisplay(table(file)),
                                                  signal(vic, clockClass, avi1, eotf));
        QCOMPARE(said.size(), expected.size());
        for (int i = 0; i < said.size(); ++i)
            QVERIFY2(said[i].contains(expected[i]), qPrintable(said[i]));
    }
};

QTEST_GUILESS_MAIN(DisplayFitTest)
#include "DisplayFitTest.moc"
