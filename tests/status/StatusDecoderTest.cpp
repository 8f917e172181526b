#include "status/StatusDecoder.h"
#include "FakeClock.h"
#include "sim/ModelUsbApi.h"
#include "RecordingAlerts.h"
#include "session/DeviceSession.h"
#include "device/DeviceLink.h"
#include "edid/VideoFormatTable.h"

#include <QtTest>
#include <utility>

namespace
{

// StatusBlock offsets, named as the device documents them.
enum : int {
    Vic = 2,
    Mode = 3,
    ClockClass = 4,
    Outputs = 5,
    Vic3d = 9,
    Avi1 = 10,
    Avi2 = 11,
    Avi3 = 12,
    Hdcp = 13,
    Vsif = 14
};

using Bytes = std::initializer_list<std::pair<int, int>>;

// A reply: 0xE0 echo, the given bytes at their offsets, zeros elsewhere.
QByteArray reply(Bytes bytes)
{
    QByteArray r(cmd::ReplySize, '\0');
    r[0] = char(0xE0);
    for (const auto &[offset, value] : bytes)
        r[offset] = char(value);
    return r;
}

QByteArray withText(QByteArray r, int offset, const QByteArray &text)
{
    r.replace(offset, text.size(), text);
    return r;
}

cmd::ReplyBuffer buffer(const QByteArray &bytes)
{
    cmd::ReplyBuffer b{};
    std::memcpy(b.data(), bytes.constData(), std::min<std::size_t>(bytes.size(), b.size()));
    return b;
}

} // namespace

class StatusDecoderTest : public QObject
{
    Q_OBJECT

private slots:
    void inputLine_data()
    {
        QTest::addColumn<QByteArray>("block");
        QTest::addColumn<QString>("expected");

        QTest::newRow("1080p60 HDMI HDCP 1.4") << reply({{Vic, 16}, {Mode, 0x10}, {Hdcp, 0x02}})
                                               << "Input : 1920x1080p60 HDMI, HDCP 1.4";
        QTest::newRow("4k60 class 0 is 300MHz 4:2:0")
            << reply({{Vic, 97}, {Mode, 0x10}, {Hdcp, 0x04}})
            << "Input : 3840x2160p60 HDMI, 300MHz [4:2:0 8-bit], HDCP 2.2";
        QTest::newRow("4k60 class 3 4:2:0 12-bit")
            << reply({{Vic, 97}, {Mode, 0x10}, {ClockClass, 3}, {Avi1, 0x60}, {Hdcp, 0x04}})
            << "Input : 3840x2160p60 HDMI, 450MHz, [4:2:0 12-bit], HDCP 2.2";
        QTest::newRow("extended 1 DVI no HDCP")
            << reply({{Vsif, 0x20}, {Vic3d, 1}}) << "Input : 3840x2160p30 non-HDMI, no HDCP";

        QTest::newRow("VIC 0 HDMI: two blanks")
            << reply({{Mode, 0x10}}) << "Input :  HDMI, no HDCP";
        QTest::newRow("VIC 108 has no description")
            << reply({{Vic, 108}, {Mode, 0x10}}) << "Input :  HDMI, no HDCP";
        QTest::newRow("mode is bit 4 only")
            << reply({{Vic, 4}, {Mode, 0xEF}}) << "Input : 1280x720p60 non-HDMI, no HDCP";

        QTest::newRow("4k60 class 0 RGB still 4:2:0")
            << reply({{Vic, 97}, {Avi1, 0x00}})
            << "Input : 3840x2160p60 non-HDMI, 300MHz [4:2:0 8-bit], no HDCP";
        QTest::newRow("4k50 class 0 no clock") << reply({{Vic, 96}, {Mode, 0x10}, {Avi1, 0x60}})
                                               << "Input : 3840x2160p50 HDMI, no HDCP";
        QTest::newRow("4k60 unknown class 4: nothing")
            << reply({{Vic, 97}, {Mode, 0x10}, {ClockClass, 4}})
            << "Input : 3840x2160p60 HDMI, no HDCP";
        QTest::newRow("class 3 RGB: no bracket")
            << reply({{Vic, 97}, {Mode, 0x10}, {ClockClass, 3}, {Avi1, 0x00}})
            << "Input : 3840x2160p60 HDMI, 450MHz, no HDCP";
        QTest::newRow("class 3 4:2:2: no bracket")
            << reply({{Vic, 97}, {Mode, 0x10}, {ClockClass, 3}, {Avi1, 0x20}})
            << "Input : 3840x2160p60 HDMI, 450MHz, no HDCP";
        QTest::newRow("class 3 4:4:4")
            << reply({{Vic, 95}, {Mode, 0x10}, {ClockClass, 3}, {Avi1, 0x40}})
            << "Input : 3840x2160p30 HDMI, 450MHz, [4:4:4 12-bit], no HDCP";
        QTest::newRow("class 1 4:4:4")
            << reply({{Vic, 95}, {Mode, 0x10}, {ClockClass, 1}, {Avi1, 0x40}})
            << "Input : 3840x2160p30 HDMI, 375MHz, [4:4:4 10-bit], no HDCP";
        QTest::newRow("class 1 4:2:0, other AVI bits ignored")
            << reply({{Vic, 97}, {Mode, 0x10}, {ClockClass, 1}, {Avi1, 0xFF}})
            << "Input : 3840x2160p60 HDMI, 375MHz, [4:2:0 10-bit], no HDCP";
        QTest::newRow("class 2 never has a bracket")
            << reply({{Vic, 97}, {Mode, 0x10}, {ClockClass, 2}, {Avi1, 0x40}, {Hdcp, 0x04}})
            << "Input : 3840x2160p60 HDMI, 600MHz, HDCP 2.2";

        QTest::newRow("3D frame packed drops the mode")
            << reply({{Vic, 16}, {Mode, 0x10}, {Vsif, 0x40}, {Vic3d, 0x00}, {Hdcp, 0x02}})
            << "Input : 1920x1080p60 Frame Packed 3D, HDCP 1.4";
        QTest::newRow("3D top/bottom") << reply({{Vic, 19}, {Vsif, 0x40}, {Vic3d, 0x60}})
                                       << "Input : 1280x720p50 Top/Bottom 3D, no HDCP";
        QTest::newRow("3D side-by-side")
            << reply({{Vic, 32}, {Mode, 0x10}, {Vsif, 0x40}, {Vic3d, 0x80}})
            << "Input : 1920x1080p24 Side-by-side 3D, no HDCP";
        QTest::newRow("extended 2 drops the VIC")
            << reply({{Vic, 16}, {Mode, 0x10}, {Vsif, 0x20}, {Vic3d, 2}})
            << "Input : 3840x2160p25 HDMI, no HDCP";
        QTest::newRow("extended 4 with clock")
            << reply({{Vsif, 0x20}, {Vic3d, 4}, {Mode, 0x10}, {ClockClass, 2}})
            << "Input : 4096x2160p24 HDMI, 600MHz, no HDCP";
        QTest::newRow("extended, unknown HDMI VIC: general form")
            << reply({{Vic, 16}, {Mode, 0x10}, {Vsif, 0x20}, {Vic3d, 5}, {Hdcp, 0x02}})
            << "Input : 1920x1080p60 HDMI, HDCP 1.4";
        QTest::newRow("extended, HDMI VIC 0: general form")
            << reply({{Vic, 16}, {Vsif, 0x20}, {Vic3d, 0}})
            << "Input : 1920x1080p60 non-HDMI, no HDCP";
        QTest::newRow("3D, unknown structure: general form")
            << reply({{Vic, 16}, {Mode, 0x10}, {Vsif, 0x40}, {Vic3d, 0x20}, {ClockClass, 2}})
            << "Input : 1920x1080p60 HDMI, 600MHz, no HDCP";
        QTest::newRow("VSIF neither: byte 9 ignored")
            << reply({{Vic, 16}, {Mode, 0x10}, {Vsif, 0x60}, {Vic3d, 1}})
            << "Input : 1920x1080p60 HDMI, no HDCP";

        QTest::newRow("HDCP both bits set") << reply({{Vic, 16}, {Mode, 0x10}, {Hdcp, 0x06}})
                                            << "Input : 1920x1080p60 HDMI, no HDCP";
        QTest::newRow("HDCP bits outside the field ignored")
            << reply({{Vic, 16}, {Mode, 0x10}, {Hdcp, 0xFB}})
            << "Input : 1920x1080p60 HDMI, HDCP 1.4";
    }
    void inputLine()
    {
        QFETCH(QByteArray, block);
        QFETCH(QString, expected);
        QCOMPARE(decodeInputLine(buffer(block)), expected);
    }

    void outputAndColourSpace_data()
    {
        QTest::addColumn<QByteArray>("block");
        QTest::addColumn<QString>("output");
        QTest::addColumn<QString>("colourSpace");

        QTest::newRow("all zero") << reply({}) << "Output: none"
                                  << "Color Space: RGB";
        QTest::newRow("both outputs, 709")
            << reply({{Outputs, 0x60}, {Avi1, 0x40}, {Avi2, 0x80}}) << "Output: TX A, TX B"
            << "Color Space: YCbCr 4:4:4, ITU-R BT.709";
        QTest::newRow("TX A, 170M")
            << reply({{Outputs, 0x20}, {Avi1, 0x20}, {Avi2, 0x40}}) << "Output: TX A"
            << "Color Space: YCbCr 4:2:2, SMPTE 170M";
        QTest::newRow("TX B, other bits ignored")
            << reply({{Outputs, 0xDF}, {Avi1, 0x9F}, {Avi2, 0x3F}, {Avi3, 0x60}}) << "Output: TX B"
            << "Color Space: RGB";
        QTest::newRow("no output among other bits")
            << reply({{Outputs, 0x9F}, {Avi1, 0x60}}) << "Output: none"
            << "Color Space: YCbCr 4:2:0";
        QTest::newRow("extended BT.2020")
            << reply({{Avi1, 0x60}, {Avi2, 0xC0}, {Avi3, 0x60}}) << "Output: none"
            << "Color Space: YCbCr 4:2:0, Extended: ITU-R BT.2020";
        QTest::newRow("extended constant luminance")
            << reply({{Avi2, 0xC0}, {Avi3, 0x50}}) << "Output: none"
            << "Color Space: RGB, Extended: ITU-R BT.2020 YcCbcCrc";
        QTest::newRow("extended xvYCC601, other bits ignored")
            << reply({{Avi1, 0x20}, {Avi2, 0xFF}, {Avi3, 0x8F}}) << "Output: none"
            << "Color Space: YCbCr 4:2:2, Extended: xvYCC601";
        QTest::newRow("extended reserved ends the line")
            << reply({{Avi1, 0x40}, {Avi2, 0xC0}, {Avi3, 0x70}}) << "Output: none"
            << "Color Space: YCbCr 4:4:4, Extended:";
    }
    void outputAndColourSpace()
    {
        QFETCH(QByteArray, block);
        QFETCH(QString, output);
        QFETCH(QString, colourSpace);
        QCOMPARE(decodeOutputLine(buffer(block)), output);
        QCOMPARE(decodeColourSpaceLine(buffer(block)), colourSpace);
    }

    void sourceLine_data()
    {
        QTest::addColumn<QByteArray>("block");
        QTest::addColumn<QString>("expected");

        const QByteArray empty = reply({});
        QTest::newRow("nothing captured") << empty << "Source Info: No Info";
        QTest::newRow("vendor and product")
            << withText(withText(empty, 4, "NVIDIA"), 12, "SHIELD") << "Source Info: NVIDIA SHIELD";
        QTest::newRow("8-character vendor runs into the product")
            << withText(withText(empty, 4, "ABCDEFGH"), 12, "Player")
            << "Source Info: ABCDEFGH Player";
        QTest::newRow("16-character product runs into later bytes")
            << withText(withText(withText(empty, 4, "Sony"), 12, "UBP-X800M2 4K UH"), 28, "XYZ")
            << "Source Info: Sony UBP-X800M2 4K UH";
        QTest::newRow("empty vendor: two blanks")
            << withText(empty, 12, "BluRay") << "Source Info:  BluRay";
        QTest::newRow("empty product: trailing blank")
            << withText(empty, 4, "Apple") << "Source Info: Apple ";
        QTest::newRow("vendor ends at its first NUL")
            << withText(empty, 4, QByteArray("AB\0CD", 5)) << "Source Info: AB ";
        QTest::newRow("first bytes zero: no info whatever follows")
            << withText(withText(empty, 5, "xxxxxxx"), 13, "yyyy") << "Source Info: No Info";
        QTest::newRow("8-bit text is Latin-1")
            << withText(empty, 4, "Soci\xe9t\xe9") << QString::fromUtf8("Source Info: Société ");
    }
    void sourceLine()
    {
        QFETCH(QByteArray, block);
        QFETCH(QString, expected);
        QCOMPARE(decodeSourceLine(buffer(block)), expected);
    }

    void hdrCapture_data()
    {
        QTest::addColumn<QByteArray>("block");
        QTest::addColumn<QString>("hdr");
        QTest::addColumn<QString>("capture"); // empty: editor cleared

        QTest::newRow("nothing") << reply({}) << "HDR input:  Not Active"
                                 << "";
        QTest::newRow("ST 2084 frame")
            << reply({{2, 0x87}, {3, 4}, {4, 0x02}, {5, 0x00}, {6, 0xD0}, {7, 0x84}})
            << "HDR input:  SMPTE ST 2084"
            << "02:00:d0:84";
        QTest::newRow("luminance range, one byte")
            << reply({{2, 0x87}, {3, 1}, {4, 1}, {5, 0xAA}}) << "HDR input:  HDR Luminance Range"
            << "01";
        QTest::newRow("n = 0 clears")
            << reply({{2, 0x87}, {3, 0}, {4, 2}}) << "HDR input:  SMPTE ST 2084"
            << "";
        QTest::newRow("other type clears, EOTF still read")
            << reply({{2, 0x81}, {3, 4}, {4, 2}}) << "HDR input:  SMPTE ST 2084"
            << "";
        QTest::newRow("EOTF 3 adds nothing")
            << reply({{2, 0x87}, {3, 2}, {4, 3}, {5, 0x10}}) << "HDR input: "
            << "03:10";

        // Payload bytes 4..30 are what a 31-byte read guarantees; 0xEE lies beyond.
        QByteArray full = reply({{2, 0x87}, {4, 2}});
        for (int i = 5; i < cmd::ReplySize; ++i)
            full[i] = char(i <= 30 ? i : 0xEE);
        QStringList bytes{"02"};
        for (int i = 5; i <= 30; ++i)
            bytes << QString::asprintf("%02x", i);
        const QString all27 = bytes.join(':');
        const QString first26 = bytes.mid(0, 26).join(':');

        full[3] = 26;
        QTest::newRow("26-byte frame") << full << "HDR input:  SMPTE ST 2084" << first26;
        full[3] = 27;
        QTest::newRow("27 bytes: the whole reply") << full << "HDR input:  SMPTE ST 2084" << all27;
        full[3] = 28;
        QTest::newRow("28 stops at the reply end") << full << "HDR input:  SMPTE ST 2084" << all27;
        full[3] = char(200);
        QTest::newRow("length 200 stops at the reply end")
            << full << "HDR input:  SMPTE ST 2084" << all27;
    }
    void hdrCapture()
    {
        QFETCH(QByteArray, block);
        QFETCH(QString, hdr);
        QFETCH(QString, capture);
        QCOMPARE(decodeHdrLine(buffer(block)), hdr);
        QCOMPARE(decodeCapture(buffer(block)), capture);
        QVERIFY(capture.size() < int(statusdecode::TextBufferSize));
    }

    void gating()
    {
        StatusBlocks blocks;
        blocks.status = buffer(reply({{Vic, 16}, {Mode, 0x10}, {Outputs, 0x20}}));
        QVERIFY(!decodeStatus(blocks).has_value());

        blocks.gatingRead = true;
        const std::optional<StatusTexts> texts = decodeStatus(blocks);
        QVERIFY(texts.has_value());
        QCOMPARE(texts->input, "Input : 1920x1080p60 HDMI, no HDCP");
        QCOMPARE(texts->output, "Output: TX A");
        QCOMPARE(texts->colourSpace, "Color Space: RGB");
        QCOMPARE(texts->source, "Source Info: No Info");
        QCOMPARE(texts->hdr, "HDR input:  Not Active");
        QVERIFY(texts->capture.isEmpty());
    }

    // The four reads through the real command primitives and a scripted device.
    void reads_data()
    {
        QTest::addColumn<QList<ScriptedReply>>("replies");
        QTest::addColumn<bool>("gated");
        QTest::addColumn<int>("failures");
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("source");

        const auto ok = [](const QByteArray &bytes) { return ScriptedReply::of(bytes); };
        const ScriptedReply silent = ScriptedReply::silence();
        const QByteArray status = reply({{Vic, 16}, {Mode, 0x10}, {Hdcp, 2}}).left(15);
        const QByteArray source = withText(reply({}), 4, "Roku").left(31);
        const QByteArray gate = reply({}).left(31);

        QTest::newRow("all answer")
            << QList<ScriptedReply>{ok(status), ok(source), ok(reply({})), ok(gate)} << true << 0
            << "Input : 1920x1080p60 HDMI, HDCP 1.4"
            << "Source Info: Roku ";
        QTest::newRow("silent device") << QList<ScriptedReply>{silent, silent, silent, silent}
                                       << false << 4 << "Input :  non-HDMI, no HDCP"
                                       << "Source Info: No Info";
        QTest::newRow("status silent: zeros")
            << QList<ScriptedReply>{silent, ok(source), ok(reply({})), ok(gate)} << true << 1
            << "Input :  non-HDMI, no HDCP"
            << "Source Info: Roku ";
        QTest::newRow("short status reply: what came is used")
            << QList<ScriptedReply>{ok(status.left(10)), ok(source), ok(reply({})), ok(gate)}
            << true << 1 << "Input : 1920x1080p60 HDMI, no HDCP"
            << "Source Info: Roku ";
        QTest::newRow("wrong echo on the source block")
            << QList<ScriptedReply>{ok(status), ok(QByteArray("\xe1") + source.mid(1)),
                                    ok(reply({})), ok(gate)}
            << true << 1 << "Input : 1920x1080p60 HDMI, HDCP 1.4"
            << "Source Info: Roku ";
        QTest::newRow("gate short")
            << QList<ScriptedReply>{ok(status), ok(source), ok(reply({})), ok(gate.left(30))}
            << false << 1 << "Input : 1920x1080p60 HDMI, HDCP 1.4"
            << "Source Info: Roku ";
    }
    void reads()
    {
        QFETCH(QList<ScriptedReply>, replies);
        QFETCH(bool, gated);
        QFETCH(int, failures);
        QFETCH(QString, input);
        QFETCH(QString, source);

        FakeClock clock;
        ModelUsbApi usb(clock);
        RecordingAlerts alerts;
        DeviceLink link(usb, clock, alerts);
        usb.devices = {{"2023"}};
        std::uint32_t index = 0;
        QVERIFY(link.findDevice(DeviceLink::deviceIdString, index));
        QVERIFY(link.openDevice(index));
        usb.script = replies;

        session::DeviceSession device(link);
        const session::DeviceSession::Status st = device.readStatus();

        // Every read is made, in order, with its own count, whatever came before.
        const QList<QByteArray> expectedWrites{
            QByteArray::fromHex("110fe006"), QByteArray::fromHex("111fe015"),
            QByteArray::fromHex("111fe01e"), QByteArray::fromHex("111fe01f")};
        QCOMPARE(usb.writes, expectedWrites);
        const session::Steps steps = device.takeSteps();
        QCOMPARE(std::count_if(steps.begin(), steps.end(),
                               [](const session::Step &step) { return !step.ok(); }),
                 failures);
        // Only the gating read decides whether the header changes.
        QCOMPARE(st.step.ok(), gated);
        if (gated) {
            QCOMPARE(st.texts.input, input);
            QCOMPARE(st.texts.source, source);
        }
    }

    void videoFormats_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("shortName");
        QTest::addColumn<QString>("description");

        for (int code : {108, 109, 255, 256, 65535})
            QTest::addRow("%d beyond the table", code) << code << ""
                                                       << "";
    }
    void videoFormats()
    {
        QFETCH(int, code);
        QFETCH(QString, shortName);
        QFETCH(QString, description);
        const VideoFormatNames names = lookupVideoFormat(std::uint16_t(code));
        QVERIFY(names.shortName != nullptr && names.description != nullptr);
        QCOMPARE(QString::fromLatin1(names.shortName), shortName);
        QCOMPARE(QString::fromLatin1(names.description), description);
    }
};

QTEST_GUILESS_MAIN(StatusDecoderTest)
#include "StatusDecoderTest.moc"
