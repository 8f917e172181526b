// The HDR infoframe model: decoding frames and capture bytes with their problems, and the byte
// layout of every field.
#include "cec_infoframes/HdrInfoframe.h"

#include <QStringList>
#include <QtTest>

using namespace infoframe;

namespace
{

// PQ, BT.2020, D65, 1000 / 0.0050 cd/m², MaxCLL 1000, MaxFALL 400, built by hand from the layout.
const char *const Hdr10Frame = "87:01:1a:91:02:00:48:8a:08:39:34:21:aa:9b:96:19:fc:08:13:3d:42:40:"
                               "e8:03:32:00:e8:03:90:01";
const char *const Hdr10Fields = "eotf 2 desc 0 p 35400,14600 8500,39850 6550,2300 w 15635,16450 "
                                "lum 1000,50 cll 1000 fall 400";

QByteArray fromColonHex(const char *text)
{
    return QByteArray::fromHex(QByteArray(text).replace(':', ""));
}

QString fieldsOf(const HdrMetadata &m)
{
    QStringList primaries;
    for (const Chromaticity &c : m.primaries)
        primaries << QStringLiteral("%1,%2").arg(c.x).arg(c.y);
    return QStringLiteral("eotf %1 desc %2 p %3 w %4,%5 lum %6,%7 cll %8 fall %9")
        .arg(m.eotf)
        .arg(m.descriptor)
        .arg(primaries.join(' '))
        .arg(m.whitePoint.x)
        .arg(m.whitePoint.y)
        .arg(m.maxLuminance)
        .arg(m.minLuminance)
        .arg(m.maxCll)
        .arg(m.maxFall);
}

} // namespace

class HdrInfoframeTest : public QObject
{
    Q_OBJECT

private slots:
    void decode_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("wholeFrame"); // decodeHdrFrame; otherwise decodeHdrBytes
        QTest::addColumn<QString>("fields");  // empty: not compared
        QTest::addColumn<QString>("problems");
        QTest::addColumn<bool>("malformed");

        const QByteArray hdr10 = fromColonHex(Hdr10Frame);
        QTest::newRow("HDR10 frame") << hdr10 << false << Hdr10Fields << "" << false;
        QTest::newRow("HDR10 capture, data bytes only")
            << hdr10.mid(4) << false << Hdr10Fields << "" << false;
        QByteArray badSum = hdr10;
        badSum[3] = char(0x92);
        QTest::newRow("checksum off by one")
            << badSum << false << Hdr10Fields << "checksum 0x92, the bytes need 0x91" << true;
        QTest::newRow("length byte 0x17, checksum right")
            << fromColonHex("87:01:17:94:02:00:48:8a:08:39:34:21:aa:9b:96:19:fc:08:13:3d:42:40:"
                            "e8:03:32:00:e8:03:90:01")
            << false << Hdr10Fields << "length byte 0x17, the bytes need 0x1a" << true;
        QTest::newRow("AVI type")
            << fromColonHex("82:01:1a:96:02:00:48:8a:08:39:34:21:aa:9b:96:19:fc:08:13:3d:42:40:"
                            "e8:03:32:00:e8:03:90:01")
            << true << Hdr10Fields << "type 0x82, an HDR infoframe needs 0x87" << true;
        QTest::newRow("version 2")
            << fromColonHex("87:02:1a:90:02:00:48:8a:08:39:34:21:aa:9b:96:19:fc:08:13:3d:42:40:"
                            "e8:03:32:00:e8:03:90:01")
            << false << Hdr10Fields << "version 2, the HDR infoframe needs 1" << true;
        QTest::newRow("a new user's five bytes")
            << fromColonHex("87:01:1a:91:02") << false << ""
            << "length byte 0x1a, the bytes need 0x01; checksum 0x91, the bytes need 0x5c; "
               "1 data byte, the fields need 26"
            << true;
        QTest::newRow("one data byte too many")
            << fromColonHex("87:01:1b:90:02:00:48:8a:08:39:34:21:aa:9b:96:19:fc:08:13:3d:42:40:"
                            "e8:03:32:00:e8:03:90:01:00")
            << false << Hdr10Fields << "27 data bytes, the frame holds 26" << true;
        QTest::newRow("capture cut short")
            << fromColonHex("02:00:d0:84:80") << false
            << "eotf 2 desc 0 p 34000,128 0,0 0,0 w 0,0 lum 0,0 cll 0 fall 0"
            << "5 data bytes, the fields need 26" << true;
        QTest::newRow("nothing") << QByteArray() << false << ""
                                 << "0 data bytes, the fields need 26" << true;
        // Odd values only: the frame can still be sent.
        QTest::newRow("reserved codes, white y, luminance order, MaxFALL")
            << fromColonHex("87:01:1a:b9:05:01:d0:84:80:3e:c2:33:c4:86:4c:1d:b8:0b:13:3d:51:c3:"
                            "01:00:10:27:90:01:f4:01")
            << false
            << "eotf 5 desc 1 p 34000,16000 13250,34500 7500,3000 w 15635,50001 lum 1,10000 "
               "cll 400 fall 500"
            << "EOTF 5 is reserved; metadata descriptor 1 is reserved; white point y 1.00002 is "
               "above 1.0; min luminance 1.0000 cd/m² is not below max luminance 1 cd/m²; "
               "MaxFALL 500 cd/m² is above MaxCLL 400 cd/m²"
            << false;
        QTest::newRow("unknown max luminance and MaxCLL compare with nothing")
            << fromColonHex("03:00:d0:84:80:3e:c2:33:c4:86:4c:1d:b8:0b:13:3d:42:40:00:00:10:27:"
                            "00:00:f4:01")
            << false << ""
            << "" << false;
    }
    void decode()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, wholeFrame);
        QFETCH(QString, fields);
        QFETCH(QString, problems);
        QFETCH(bool, malformed);
        const HdrDecoded d = wholeFrame ? decodeHdrFrame(bytes) : decodeHdrBytes(bytes);
        if (!fields.isEmpty())
            QCOMPARE(fieldsOf(d.metadata), fields);
        QStringList texts;
        for (const HdrProblem &p : d.problems)
            texts << p.text();
        QCOMPARE(texts.join(QStringLiteral("; ")), problems);
        QCOMPARE(d.malformed(), malformed);
        // What decodes cleanly as a whole frame encodes back to the same bytes.
        if (!malformed && d.wholeFrame)
            QCOMPARE(encodeHdrFrame(d.metadata), bytes);
    }

    // Each field alone, with a value whose two bytes differ, lands at its place in the layout,
    // least significant byte first, and decodes back.
    void fieldLayout_data()
    {
        QTest::addColumn<int>("field");
        QTest::addColumn<int>("offset"); // data byte offset, EOTF at 0
        const char *names[] = {"EOTF",        "descriptor",  "primary 0 x",   "primary 0 y",
                               "primary 1 x", "primary 1 y", "primary 2 x",   "primary 2 y",
                               "white x",     "white y",     "max luminance", "min luminance",
                               "MaxCLL",      "MaxFALL"};
        const int offsets[] = {0, 1, 2, 4, 6, 8, 10, 12, 14, 16, 18, 20, 22, 24};
        for (int i = 0; i < 14; ++i)
            QTest::newRow(names[i]) << i << offsets[i];
    }
    void fieldLayout()
    {
        QFETCH(int, field);
        QFETCH(int, offset);
        const std::uint16_t value = field < 2 ? 0x5A : 0xA55A;
        HdrMetadata m;
        switch (field) {
        case 0:
            m.eotf = std::uint8_t(value);
            break;
        case 1:
            m.descriptor = std::uint8_t(value);
            break;
        case 8:
            m.whitePoint.x = value;
            break;
        case 9:
            m.whitePoint.y = value;
            break;
        case 10:
            m.maxLuminance = value;
            break;
        case 11:
            m.minLuminance = value;
            break;
        case 12:
            m.maxCll = value;
            break;
        case 13:
            m.maxFall = value;
            break;
        default: {
            Chromaticity &c = m.primaries[std::size_t((field - 2) / 2)];
            (field % 2 == 0 ? c.x : c.y) = value;
        }
        }
        QByteArray expected(HdrDataSize, '\0');
        expected[offset] = char(0x5A);
        if (field >= 2)
            expected[offset + 1] = char(0xA5);
        const QByteArray frame = encodeHdrFrame(m);
        QCOMPARE(frame.mid(4), expected);
        QCOMPARE(frame.left(3), QByteArray::fromHex("87011a"));
        unsigned sum = 0;
        for (const char b : frame)
            sum += std::uint8_t(b);
        QCOMPARE(sum % 256, 0u);
        QCOMPARE(decodeHdrFrame(frame).metadata, m);
    }
};

QTEST_APPLESS_MAIN(HdrInfoframeTest)
#include "HdrInfoframeTest.moc"
