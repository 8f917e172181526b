// The AVI data bytes as fields, the naming of HDR primaries, HDR values typed as numbers, the
// presets, and what the JSON reports leave out.
#include "cec_infoframes/AviInfoframe.h"
#include "cec_infoframes/HdrColour.h"
#include "cec_infoframes/HdrNumbers.h"
#include "cec_infoframes/InfoframeWords.h"

#include <QJsonArray>
#include <QStringList>
#include <QtTest>

using namespace infoframe;

namespace
{

QByteArray fromColonHex(const QString &text)
{
    return QByteArray::fromHex(text.toLatin1().replace(':', ""));
}

QString fieldsOf(const AviFields &f)
{
    return QStringLiteral("r%1 Y%2 A%3 B%4 S%5 C%6 M%7 R%8 I%9 ")
               .arg(f.reservedBit)
               .arg(int(f.colourFormat))
               .arg(f.activeFormatPresent)
               .arg(f.barInfo)
               .arg(f.scan)
               .arg(f.colorimetry)
               .arg(f.pictureAspect)
               .arg(f.activeAspect)
               .arg(f.itContent) +
           QStringLiteral("EC%1 Q%2 SC%3 V%4 YQ%5 CN%6 PR%7 bars %8 %9 ")
               .arg(f.extendedColorimetry)
               .arg(f.quantization)
               .arg(f.scaling)
               .arg(f.vic)
               .arg(f.yccQuantization)
               .arg(f.contentType)
               .arg(f.pixelRepetition)
               .arg(f.topBarEnd)
               .arg(f.bottomBarStart) +
           QStringLiteral("%1 %2").arg(f.leftBarEnd).arg(f.rightBarStart);
}

QString primariesOf(const std::array<Chromaticity, 3> &p)
{
    return QStringLiteral("%1,%2 %3,%4 %5,%6")
        .arg(p[0].x)
        .arg(p[0].y)
        .arg(p[1].x)
        .arg(p[1].y)
        .arg(p[2].x)
        .arg(p[2].y);
}

} // namespace

class InfoframeValuesTest : public QObject
{
    Q_OBJECT

private slots:
    // Every field read from its bits, and the fields encoded back to the same bytes.
    void aviFields_data()
    {
        QTest::addColumn<QString>("bytes");
        QTest::addColumn<QString>("fields");
        QTest::addColumn<QString>("colorimetry");
        QTest::addColumn<int>("problems");
        QTest::newRow("the device's BT.2020 example")
            << "60:c8:60:61:00"
            << "r0 Y3 A0 B0 S0 C3 M0 R8 I0 EC6 Q0 SC0 V97 YQ0 CN0 PR0 bars 0 0 0 0"
            << "BT.2020" << 0;
        // Each field a value of its own, reserved bit and a VIC beyond 7 bits included.
        QTest::newRow("all thirteen bytes")
            << "bd:ab:f7:c1:5a:01:02:03:04:05:06:07:08"
            << "r1 Y1 A1 B3 S1 C2 M2 R11 I1 EC7 Q1 SC3 V193 YQ1 CN1 PR10 bars 513 1027 1541 2055"
            << "BT.709" << 2;
        QTest::newRow("extended: xvYCC709")
            << "00:c0:10"
            << "r0 Y0 A0 B0 S0 C3 M0 R0 I0 EC1 Q0 SC0 V0 YQ0 CN0 PR0 bars 0 0 0 0"
            << "xvYCC709" << 0;
        QTest::newRow("reserved scan, aspect, quantizations")
            << "03:30:0c:10:80"
            << "r0 Y0 A0 B0 S3 C0 M3 R0 I0 EC0 Q3 SC0 V16 YQ2 CN0 PR0 bars 0 0 0 0"
            << "none" << 4;
    }
    void aviFields()
    {
        QFETCH(QString, bytes);
        QFETCH(QString, fields);
        QFETCH(QString, colorimetry);
        QFETCH(int, problems);
        const QByteArray data = fromColonHex(bytes);
        const AviDecoded d = decodeAviData(data);
        QCOMPARE(fieldsOf(d.fields), fields);
        QCOMPARE(colorimetryWord(d.fields), colorimetry);
        QCOMPARE(int(d.problems.size()), problems);
        QCOMPARE(encodeAviData(d.fields).left(int(data.size())), data);
    }

    void primaryNames_data()
    {
        QTest::addColumn<QString>("primaries"); // in frame order, 0.00002 units
        QTest::addColumn<QString>("colours");
        QTest::addColumn<QString>("gamut"); // empty: none
        QTest::newRow("BT.2020 red first") << "35400,14600 8500,39850 6550,2300"
                                           << "red green blue"
                                           << "BT.2020";
        QTest::newRow("DCI-P3 in an encoder's order") << "13250,34500 7500,3000 34000,16000"
                                                      << "green blue red"
                                                      << "DCI-P3";
        QTest::newRow("BT.709, red x 0.002 off") << "32100,16500 15000,30000 7500,3000"
                                                 << "red green blue"
                                                 << "BT.709";
        QTest::newRow("BT.709, red x 0.00202 off") << "32101,16500 15000,30000 7500,3000"
                                                   << "red green blue"
                                                   << "";
        QTest::newRow("nothing given") << "0,0 0,0 0,0"
                                       << "red green blue"
                                       << "";
    }
    void primaryNames()
    {
        QFETCH(QString, primaries);
        QFETCH(QString, colours);
        QFETCH(QString, gamut);
        std::array<Chromaticity, 3> p{};
        const QStringList pairs = primaries.split(' ');
        for (int i = 0; i < 3; ++i)
            p[std::size_t(i)] = {std::uint16_t(pairs[i].section(',', 0, 0).toUInt()),
                                 std::uint16_t(pairs[i].section(',', 1, 1).toUInt())};
        QStringList words;
        for (const Colour c : primaryColours(p))
            words << colourWord(c);
        QCOMPARE(words.join(' '), colours);
        const ColourSet *set = gamutOf(p);
        QCOMPARE(set ? QString(set->name) : QString(), gamut);
    }

    void numbers_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("value"); // empty: refused
        QTest::newRow("eotf pq") << "eotf"
                                 << "pq"
                                 << "2";
        QTest::newRow("eotf upper case") << "eotf"
                                         << "HLG"
                                         << "3";
        QTest::newRow("eotf unknown") << "eotf"
                                      << "dolby"
                                      << "";
        QTest::newRow("primaries by set") << "primaries"
                                          << "p3"
                                          << "34000,16000 13250,34500 7500,3000";
        QTest::newRow("primaries as fractions") << "primaries"
                                                << " 0.708,0.292  0.17,0.797 0.131,0.046"
                                                << "35400,14600 8500,39850 6550,2300";
        QTest::newRow("primaries: two pairs") << "primaries"
                                              << "0.708,0.292 0.17,0.797"
                                              << "";
        QTest::newRow("primaries: above 1") << "primaries"
                                            << "1.1,0.2 0.1,0.7 0.1,0.04"
                                            << "";
        QTest::newRow("primaries: negative") << "primaries"
                                             << "-0.1,0.2 0.1,0.7 0.1,0.04"
                                             << "";
        QTest::newRow("white d65") << "white"
                                   << "D65"
                                   << "15635,16450";
        QTest::newRow("white pair") << "white"
                                    << "0.314,0.351"
                                    << "15700,17550";
        QTest::newRow("min 0.0050") << "min"
                                    << "0.0050"
                                    << "50";
        QTest::newRow("min 6.5535") << "min"
                                    << "6.5535"
                                    << "65535";
        QTest::newRow("min 6.6") << "min"
                                 << "6.6"
                                 << "";
        QTest::newRow("min exponent") << "min"
                                      << "5e-3"
                                      << "";
        QTest::newRow("cd 65535") << "candela"
                                  << "65535"
                                  << "65535";
        QTest::newRow("cd 65536") << "candela"
                                  << "65536"
                                  << "";
        QTest::newRow("cd fraction") << "candela"
                                     << "100.5"
                                     << "";
        QTest::newRow("x265 P3 1000")
            << "x265"
            << "G(13250,34500)B(7500,3000)R(34000,16000)WP(15635,16450)L(10000000,1)"
            << "34000,16000 13250,34500 7500,3000 15635,16450 1000 1";
        QTest::newRow("x265 rounds the max") << "x265"
                                             << "G(1,2)B(3,4)R(5,6)WP(7,8)L(40004999,50)"
                                             << "5,6 1,2 3,4 7,8 4000 50";
        QTest::newRow("x265 max too high") << "x265"
                                           << "G(1,2)B(3,4)R(5,6)WP(7,8)L(655360000,50)"
                                           << "";
        QTest::newRow("x265 chromaticity above 16 bits")
            << "x265"
            << "G(65536,2)B(3,4)R(5,6)WP(7,8)L(10000000,50)"
            << "";
        QTest::newRow("x265 red first") << "x265"
                                        << "R(5,6)G(1,2)B(3,4)WP(7,8)L(10000000,50)"
                                        << "";
    }
    void numbers()
    {
        QFETCH(QString, kind);
        QFETCH(QString, text);
        QFETCH(QString, value);
        QString got;
        QString error;
        if (kind == "eotf") {
            const auto p = parseEotf(text);
            got = p.ok() ? QString::number(*p.value) : QString();
            error = p.error;
        } else if (kind == "primaries") {
            const auto p = parsePrimaries(text);
            got = p.ok() ? primariesOf(*p.value) : QString();
            error = p.error;
        } else if (kind == "white") {
            const auto p = parseWhite(text);
            got = p.ok() ? QStringLiteral("%1,%2").arg(p.value->x).arg(p.value->y) : QString();
            error = p.error;
        } else if (kind == "min" || kind == "candela") {
            const auto p = kind == "min" ? parseMinLuminance(text) : parseCandela(text);
            got = p.ok() ? QString::number(*p.value) : QString();
            error = p.error;
        } else {
            const auto p = applyX265(text, HdrMetadata{});
            got = p.ok() ? QStringLiteral("%1 %2,%3 %4 %5")
                               .arg(primariesOf(p.value->primaries))
                               .arg(p.value->whitePoint.x)
                               .arg(p.value->whitePoint.y)
                               .arg(p.value->maxLuminance)
                               .arg(p.value->minLuminance)
                         : QString();
            error = p.error;
        }
        QCOMPARE(got, value);
        // A refusal says what was typed.
        QCOMPARE(error.isEmpty(), !value.isEmpty());
        if (!error.isEmpty())
            QVERIFY2(error.contains(text), qPrintable(error));
    }

    // The presets build clean frames; hdr10-1000 is the frame built by hand from the layout.
    void presets()
    {
        QVERIFY(hdrPresets().size() >= 4);
        for (const HdrPreset &p : hdrPresets())
            QVERIFY2(decodeHdrFrame(encodeHdrFrame(p.metadata)).problems.empty(), p.name);
        QCOMPARE(encodeHdrFrame(findHdrPreset("hdr10-1000")->metadata),
                 fromColonHex("87:01:1a:91:02:00:48:8a:08:39:34:21:aa:9b:96:19:fc:08:13:3d:42:40:"
                              "e8:03:32:00:e8:03:90:01"));
        QCOMPARE(findHdrPreset("sdr")->metadata.eotf, EotfSdr);
        QVERIFY(findHdrPreset("hdr10") == nullptr);
    }

    // What JSON says about a field depends on what the bytes hold.
    void json_data()
    {
        QTest::addColumn<QString>("kind"); // hdr or avi
        QTest::addColumn<QString>("bytes");
        QTest::addColumn<QString>("key");   // "primaries/0/colour"
        QTest::addColumn<QString>("value"); // "absent", "null" or the value as text
        const QString hdr10 = "87:01:1a:91:02:00:48:8a:08:39:34:21:aa:9b:96:19:fc:08:13:3d:42:40:"
                              "e8:03:32:00:e8:03:90:01";
        QTest::newRow("gamut") << "hdr" << hdr10 << "gamut"
                               << "BT.2020";
        QTest::newRow("white") << "hdr" << hdr10 << "white_point_name"
                               << "D65";
        QTest::newRow("min luminance") << "hdr" << hdr10 << "min_luminance"
                                       << "0.005";
        QTest::newRow("primary x") << "hdr" << hdr10 << "primaries/0/x"
                                   << "0.708";
        QTest::newRow("checksum of a frame") << "hdr" << hdr10 << "checksum_ok"
                                             << "true";
        QTest::newRow("no checksum for data bytes") << "hdr" << hdr10.mid(12) << "checksum_ok"
                                                    << "absent";
        QTest::newRow("own gamut") << "hdr"
                                   << "02:00:10:27"
                                   << "gamut"
                                   << "null";
        QTest::newRow("encoder order named") << "hdr"
                                             << "02:00:c2:33:c4:86:4c:1d:b8:0b:d0:84:80:3e"
                                             << "primaries/2/colour"
                                             << "red";
        QTest::newRow("VIC not given") << "avi"
                                       << "60:c8"
                                       << "vic"
                                       << "null";
        QTest::newRow("extended colorimetry not given") << "avi"
                                                        << "60:c8"
                                                        << "colorimetry"
                                                        << "null";
        QTest::newRow("colorimetry without byte 3") << "avi"
                                                    << "60:88"
                                                    << "colorimetry"
                                                    << "BT.709";
        QTest::newRow("bars when all 13 given") << "avi"
                                                << "bd:ab:f7:c1:5a:01:02:03:04:05:06:07:08"
                                                << "bar_values/right_start"
                                                << "2055";
        QTest::newRow("content type without IT content") << "avi"
                                                         << "00:00:00:00:30"
                                                         << "content_type"
                                                         << "none";
        QTest::newRow("game") << "avi"
                              << "00:00:80:00:30"
                              << "content_type"
                              << "game";
    }
    void json()
    {
        QFETCH(QString, kind);
        QFETCH(QString, bytes);
        QFETCH(QString, key);
        QFETCH(QString, value);
        QJsonValue v = kind == "hdr" ? QJsonValue(hdrJson(decodeHdrBytes(fromColonHex(bytes))))
                                     : QJsonValue(aviJson(decodeAviData(fromColonHex(bytes)), {}));
        for (const QString &part : key.split('/')) {
            bool index = false;
            const int i = part.toInt(&index);
            v = index ? v.toArray().at(i) : v.toObject().value(part);
        }
        const QString got = v.isUndefined() ? "absent"
                            : v.isNull()    ? "null"
                            : v.isBool()    ? (v.toBool() ? "true" : "false")
                            : v.isDouble()  ? QString::number(v.toDouble())
                                            : v.toString();
        QCOMPARE(got, value);
    }
};

QTEST_APPLESS_MAIN(InfoframeValuesTest)
#include "InfoframeValuesTest.moc"
