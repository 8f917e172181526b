// Status polls in sequence, as blocks the device sends, and the events they give.
#include "session/SignalChanges.h"
#include "status/StatusDecoder.h"

#include <QtTest>

using session::SignalEvent;
using session::SignalWatch;

namespace
{

// A 1080p60 HDMI input with HDCP 1.4 on TX A, BT.709, a named source and SDR.
StatusBlocks baseline()
{
    StatusBlocks b;
    b.status[0] = b.sourceInfo[0] = b.hdrCapture[0] = 0xE0;
    b.status[2] = 16;
    b.status[3] = 0x10;
    b.status[5] = 0x20;
    b.status[11] = 0x80;
    b.status[13] = 0x02;
    const QByteArray vendor("DEMO"), product("Player");
    std::copy(vendor.begin(), vendor.end(), b.sourceInfo.begin() + 4);
    std::copy(product.begin(), product.end(), b.sourceInfo.begin() + 12);
    b.gatingRead = true;
    return b;
}

using Edit = std::function<void(StatusBlocks &)>;

QString line(const SignalEvent &e)
{
    if (e.kind != SignalEvent::Kind::Change)
        return session::eventName(e.kind);
    return session::fieldName(e.field) + ' ' + e.from + " -> " + e.to;
}

QStringList lines(const QList<SignalEvent> &events)
{
    QStringList out;
    for (const SignalEvent &e : events)
        out << line(e);
    return out;
}

} // namespace

Q_DECLARE_METATYPE(Edit)

class SignalChangesTest : public QObject
{
    Q_OBJECT

private slots:
    void eachField_data()
    {
        QTest::addColumn<Edit>("edit");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("input format") << Edit([](StatusBlocks &b) { b.status[2] = 97; })
                                      << QStringList{"input 1920x1080p60 HDMI -> 3840x2160p60 HDMI",
                                                     "clock not told -> 300 MHz",
                                                     "colour-depth not told -> 8-bit"};
        QTest::newRow("3D") << Edit([](StatusBlocks &b) {
            b.status[14] = 0x40;
            b.status[9] = 0x80;
        }) << QStringList{"input 1920x1080p60 HDMI -> 1920x1080p60 Side-by-side 3D"};
        QTest::newRow("clock and depth") << Edit([](StatusBlocks &b) {
            b.status[4] = 1;
            b.status[10] = 0x40;
        }) << QStringList{"clock not told -> 375 MHz", "colour-depth not told -> 10-bit",
                          "colour-format RGB -> YCbCr 4:4:4"};
        QTest::newRow("colorimetry extended")
            << Edit([](StatusBlocks &b) {
                   b.status[11] = 0xC0;
                   b.status[12] = 0x60;
               })
            << QStringList{"colorimetry ITU-R BT.709 -> Extended: ITU-R BT.2020"};
        QTest::newRow("hdcp") << Edit([](StatusBlocks &b) { b.status[13] = 0x04; })
                              << QStringList{"hdcp HDCP 1.4 -> HDCP 2.2"};
        QTest::newRow("outputs") << Edit([](StatusBlocks &b) { b.status[5] = 0x60; })
                                 << QStringList{"outputs TX A -> TX A, TX B"};
        QTest::newRow("source gone") << Edit([](StatusBlocks &b) { b.sourceInfo.fill(0); })
                                     << QStringList{"source DEMO Player -> No Info"};
        QTest::newRow("hdr") << Edit([](StatusBlocks &b) { b.hdrCapture[4] = 2; })
                             << QStringList{"hdr Not Active -> SMPTE ST 2084"};
        QTest::newRow("HDR10 capture") << Edit([](StatusBlocks &b) {
            b.hdrCapture[2] = 0x87;
            b.hdrCapture[3] = 26;
            b.hdrCapture[4] = 2;     // PQ
            b.hdrCapture[22] = 0xE8; // max luminance 1000, least significant byte first
            b.hdrCapture[23] = 0x03;
            b.hdrCapture[26] = 0x20; // MaxCLL 800
            b.hdrCapture[27] = 0x03;
        }) << QStringList{"hdr Not Active -> SMPTE ST 2084", "eotf none -> PQ",
                          "max-luminance none -> 1000 cd/m2", "maxcll none -> 800 cd/m2",
                          "maxfall none -> not given"};
        QTest::newRow("eotf without words") << Edit([](StatusBlocks &b) { b.hdrCapture[4] = 7; })
                                            << QStringList{"hdr Not Active -> EOTF 7"};
        QTest::newRow("bytes the fields do not read") << Edit([](StatusBlocks &b) {
            b.status[1] = 0x55;
            b.status[7] = 0x12;
        }) << QStringList{};
    }
    void eachField()
    {
        QFETCH(Edit, edit);
        QFETCH(QStringList, expected);
        SignalWatch watch;
        QVERIFY(watch.polled(decodeStatusValues(baseline())).isEmpty()); // the start, no change
        StatusBlocks next = baseline();
        edit(next);
        QCOMPARE(lines(watch.polled(decodeStatusValues(next))), expected);
        QVERIFY(watch.polled(decodeStatusValues(next)).isEmpty()); // the same poll again
    }

    // A source that drops to 4:2:0 and back: every flap is an event, in order.
    void flappingField()
    {
        StatusBlocks yuv = baseline();
        yuv.status[10] = 0x60;
        SignalWatch watch;
        QStringList all;
        for (const StatusBlocks &b : {baseline(), yuv, baseline(), yuv, yuv})
            all << lines(watch.polled(decodeStatusValues(b)));
        QCOMPARE(all, (QStringList{"colour-format RGB -> YCbCr 4:2:0",
                                   "colour-format YCbCr 4:2:0 -> RGB",
                                   "colour-format RGB -> YCbCr 4:2:0"}));
    }

    // Comings, goings and silence are said once each; what changed while the device was
    // away or silent shows at its next answer.
    void arrivalDepartureSilence()
    {
        StatusBlocks hdcp22 = baseline();
        hdcp22.status[13] = 0x04;
        StatusBlocks silent = baseline();
        silent.gatingRead = false;
        SignalWatch watch;
        QStringList all;
        all << lines(watch.arrived()) << lines(watch.polled(decodeStatusValues(baseline())))
            << lines(watch.polled(decodeStatusValues(silent)))
            << lines(watch.polled(decodeStatusValues(silent)))
            << lines(watch.polled(decodeStatusValues(baseline()))) << lines(watch.departed())
            << lines(watch.departed()) << lines(watch.arrived()) << lines(watch.arrived())
            << lines(watch.polled(decodeStatusValues(hdcp22)));
        QCOMPARE(all, (QStringList{"arrival", "not-answering", "answering", "departure",
                                   "arrival", "hdcp HDCP 1.4 -> HDCP 2.2"}));
    }
};

QTEST_GUILESS_MAIN(SignalChangesTest)
#include "SignalChangesTest.moc"
