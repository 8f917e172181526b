// Status values where they tell more than the header texts: raw codes behind a missing text,
// what an inferred clock means, and how much of a capture is kept.
#include "status/StatusDecoder.h"

#include <QtTest>

using namespace status;

namespace
{

cmd::ReplyBuffer block(std::initializer_list<std::pair<int, int>> bytes)
{
    cmd::ReplyBuffer b{};
    b[0] = 0xE0;
    for (const auto &[offset, value] : bytes)
        b[std::size_t(offset)] = std::uint8_t(value);
    return b;
}

} // namespace

class StatusValuesTest : public QObject
{
    Q_OBJECT

private slots:
    void clock_data();
    void clock();
    void unnamedVendorFormats();
    void eotfWithoutText();
    void capture_data();
    void capture();
    void gatingFailureGivesNoValues();
};

void StatusValuesTest::clock_data()
{
    QTest::addColumn<int>("vic");
    QTest::addColumn<int>("classCode");
    QTest::addColumn<int>("avi1");
    QTest::addColumn<int>("mhz");
    QTest::addColumn<bool>("implied");
    QTest::addColumn<int>("depth");
    QTest::addColumn<int>("sampling");
    QTest::newRow("4k60 without class: 8-bit 4:2:0 whatever the AVI frame says")
        << 97 << 0 << 0x00 << 300 << true << 8 << int(ColourFormat::YCbCr420);
    QTest::newRow("375 4:4:4 is 10-bit")
        << 16 << 1 << 0x40 << 375 << false << 10 << int(ColourFormat::YCbCr444);
    QTest::newRow("450 RGB: depth not told")
        << 97 << 3 << 0x00 << 450 << false << 0 << int(ColourFormat::Rgb);
    QTest::newRow("600: no depth")
        << 97 << 2 << 0x60 << 600 << false << 0 << int(ColourFormat::Rgb);
    QTest::newRow("unknown class") << 97 << 9 << 0x60 << 0 << false << 0 << int(ColourFormat::Rgb);
}

void StatusValuesTest::clock()
{
    QFETCH(int, vic);
    QFETCH(int, classCode);
    QFETCH(int, avi1);
    QFETCH(int, mhz);
    QFETCH(bool, implied);
    QFETCH(int, depth);
    QFETCH(int, sampling);
    const Clock c = decodeClock(block({{2, vic}, {4, classCode}, {10, avi1}}));
    QCOMPARE(int(c.classCode), classCode);
    QCOMPARE(c.mhz, mhz);
    QCOMPARE(c.impliedByFormat, implied);
    QCOMPARE(c.bitDepth, depth);
    if (depth != 0)
        QCOMPARE(int(c.sampling), sampling);
}

void StatusValuesTest::unnamedVendorFormats()
{
    // The line falls back to the general form; the values still say what came.
    const Video extended = decodeVideo(block({{2, 16}, {9, 7}, {14, 0x20}}));
    QCOMPARE(extended.vendorFormat, VendorFormat::ExtendedResolution);
    QCOMPARE(int(extended.hdmiVic), 7);
    QVERIFY(extended.extendedFormat.isEmpty());
    QCOMPARE(extended.format, QByteArray("1920x1080p60"));

    const Video threeD = decodeVideo(block({{2, 16}, {9, 0x20}, {14, 0x40}}));
    QCOMPARE(threeD.vendorFormat, VendorFormat::ThreeD);
    QCOMPARE(threeD.structure3d, Structure3d::Other);
    QCOMPARE(int(threeD.hdmiVic), 0);
}

void StatusValuesTest::eotfWithoutText()
{
    const Hdr h = decodeHdr(block({{4, 5}}));
    QCOMPARE(h.eotf, Eotf::Other);
    QCOMPARE(int(h.eotfCode), 5);
}

void StatusValuesTest::capture_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("claimed");
    QTest::addColumn<int>("kept");
    QTest::newRow("whole frame") << 0x87 << 4 << 4;
    QTest::newRow("longer than the reply: the received payload only") << 0x87 << 200 << 27;
    QTest::newRow("other type: nothing, type kept") << 0x81 << 4 << 0;
}

void StatusValuesTest::capture()
{
    QFETCH(int, type);
    QFETCH(int, claimed);
    QFETCH(int, kept);
    cmd::ReplyBuffer b = block({{2, type}, {3, claimed}});
    for (std::size_t i = 4; i < b.size(); ++i)
        b[i] = std::uint8_t(i);
    const Capture c = decodeCaptureValue(b);
    QCOMPARE(int(c.type), type);
    QCOMPARE(int(c.claimed), claimed);
    QCOMPARE(c.payload.size(), kept);
    QCOMPARE(c.captured(), kept > 0);
    if (kept > 0)
        QCOMPARE(int(quint8(c.payload.back())), 3 + kept);
}

void StatusValuesTest::gatingFailureGivesNoValues()
{
    StatusBlocks blocks;
    blocks.status = block({{2, 16}});
    QVERIFY(!decodeStatusValues(blocks).has_value());
    blocks.gatingRead = true;
    const std::optional<Values> v = decodeStatusValues(blocks);
    QVERIFY(v.has_value());
    QCOMPARE(int(v->video.vic), 16);
}

QTEST_GUILESS_MAIN(StatusValuesTest)
#include "StatusValuesTest.moc"
