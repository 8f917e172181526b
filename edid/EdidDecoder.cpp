#include "edid/EdidDecoder.h"

#include "edid/EdidDecodeParts.h"
#include "edid/EdidTable.h"

namespace edid
{
namespace
{

constexpr std::uint8_t Header[8] = {0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00};
constexpr int DescriptorOffsets[4] = {54, 72, 90, 108};
constexpr int DescriptorSize = 18;

// Bits 7 to 0 of bytes 35 and 36, then bit 7 of byte 37.
constexpr const char *Established[17] = {
    "720x400@70",  "720x400@88",  "640x480@60",  "640x480@67",   "640x480@72", "640x480@75",
    "800x600@56",  "800x600@60",  "800x600@72",  "800x600@75",   "832x624@75", "1024x768i@87",
    "1024x768@60", "1024x768@70", "1024x768@75", "1280x1024@75", "1152x870@75"};

QString manufacturerId(std::uint8_t hi, std::uint8_t lo)
{
    const int v = hi << 8 | lo;
    QString id;
    for (const int shift : {10, 5, 0}) {
        const int letter = (v >> shift) & 0x1F;
        // Only 1 to 26 are letters; anything else is shown, not guessed.
        id += letter >= 1 && letter <= 26 ? QChar(u'A' + letter - 1) : QChar(u'?');
    }
    return id;
}

void inputAndFeatures(const std::uint8_t *b, BaseBlock &base)
{
    const std::uint8_t input = b[20];
    base.digital = (input & 0x80) != 0;
    const std::uint8_t f = b[24];
    if (f & 0x80)
        base.features << QStringLiteral("standby");
    if (f & 0x40)
        base.features << QStringLiteral("suspend");
    if (f & 0x20)
        base.features << QStringLiteral("active off");
    if (f & 0x04)
        base.features << QStringLiteral("sRGB default colour space");
    // Version 1.4 gave the input byte and three feature bits of digital displays new meanings.
    const bool v14 = base.version == 1 && base.revision >= 4;
    if (f & 0x02)
        base.features << (v14 ? QStringLiteral("preferred timing includes the native format")
                              : QStringLiteral("first detailed timing is preferred"));
    if (f & 0x01)
        base.features << (v14 ? QStringLiteral("continuous frequency")
                              : QStringLiteral("default GTF"));
    const int kind = (f >> 3) & 0x03;
    if (base.digital && v14) {
        const int depth = (input >> 4) & 0x07;
        if (depth >= 1 && depth <= 6)
            base.bitDepth = 4 + 2 * depth;
        static const char *const interfaces[] = {"undefined", "DVI",  "HDMI-a",
                                                 "HDMI-b",    "MDDI", "DisplayPort"};
        const int i = input & 0x0F;
        base.interface =
            i <= 5 ? QLatin1String(interfaces[i]) : QStringLiteral("reserved interface %1").arg(i);
        base.colourFormats << QStringLiteral("RGB 4:4:4");
        if (kind & 0x01)
            base.colourFormats << QStringLiteral("YCbCr 4:4:4");
        if (kind & 0x02)
            base.colourFormats << QStringLiteral("YCbCr 4:2:2");
        return;
    }
    static const char *const levels[] = {"0.700/0.300 V", "0.714/0.286 V", "1.000/0.400 V",
                                         "0.700/0.000 V"};
    if (!base.digital)
        base.interface =
            QStringLiteral("signal level %1").arg(QLatin1String(levels[(input >> 5) & 3]));
    // Before 1.4 a digital display also names its display type here.
    static const char *const types[] = {"monochrome", "RGB colour", "non-RGB colour",
                                        "undefined display type"};
    base.colourFormats << QLatin1String(types[kind]);
}

Chromaticity chromaticity(const std::uint8_t *b)
{
    const auto c = [&](int high, int low, int shift) {
        return ((b[high] << 2) | ((b[low] >> shift) & 0x03)) / 1024.0;
    };
    return {c(27, 25, 6), c(28, 25, 4), c(29, 25, 2), c(30, 25, 0),
            c(31, 26, 6), c(32, 26, 4), c(33, 26, 2), c(34, 26, 0)};
}

void standardTimings(const std::uint8_t *b, BaseBlock &base)
{
    for (int i = 38; i < 54; i += 2) {
        if ((b[i] == 0x01 && b[i + 1] == 0x01) || b[i] == 0x00)
            continue; // unused slot
        StandardTiming t;
        t.width = (b[i] + 31) * 8;
        t.refreshHz = (b[i + 1] & 0x3F) + 60;
        switch (b[i + 1] >> 6) {
        case 0: // 1:1 before version 1.3
            t.aspect = base.revision >= 3 ? QStringLiteral("16:10") : QStringLiteral("1:1");
            t.height = base.revision >= 3 ? t.width * 10 / 16 : t.width;
            break;
        case 1:
            t.aspect = QStringLiteral("4:3");
            t.height = t.width * 3 / 4;
            break;
        case 2:
            t.aspect = QStringLiteral("5:4");
            t.height = t.width * 4 / 5;
            break;
        default:
            t.aspect = QStringLiteral("16:9");
            t.height = t.width * 9 / 16;
            break;
        }
        base.standard.push_back(t);
    }
}

// Text of a display descriptor: up to 13 characters, ended by a line feed.
QString descriptorText(const std::uint8_t *d)
{
    QString text;
    for (int i = 5; i < DescriptorSize && d[i] != 0x0A; ++i)
        text += d[i] >= 0x20 && d[i] < 0x7F ? QChar(d[i]) : QChar(u'?');
    return text.trimmed();
}

RangeLimits rangeLimits(const std::uint8_t *d)
{
    // Byte 4 adds 255 to a maximum, or to both minimum and maximum, of each rate.
    const int vOffset = d[4] & 0x03, hOffset = (d[4] >> 2) & 0x03;
    RangeLimits r;
    r.minVHz = d[5] + (vOffset == 3 ? 255 : 0);
    r.maxVHz = d[6] + (vOffset >= 2 ? 255 : 0);
    r.minHKHz = d[7] + (hOffset == 3 ? 255 : 0);
    r.maxHKHz = d[8] + (hOffset >= 2 ? 255 : 0);
    r.maxPixelClockMHz = d[9] * 10;
    static const char *const support[] = {"default GTF", "range limits only", "secondary GTF", "",
                                          "CVT"};
    r.support = d[10] <= 4 && d[10] != 3 ? QLatin1String(support[d[10]])
                                         : QStringLiteral("reserved (%1)").arg(parts::hex2(d[10]));
    return r;
}

QString descriptorKind(std::uint8_t tag)
{
    switch (tag) {
    case 0xFE:
        return QStringLiteral("text");
    case 0xFB:
        return QStringLiteral("colour point");
    case 0xFA:
        return QStringLiteral("standard timings");
    case 0xF9:
        return QStringLiteral("colour management");
    case 0xF8:
        return QStringLiteral("CVT 3-byte timings");
    case 0xF7:
        return QStringLiteral("established timings III");
    case 0x10:
        return QStringLiteral("dummy");
    default:
        return tag <= 0x0F ? QStringLiteral("manufacturer-specific %1").arg(parts::hex2(tag))
                           : QStringLiteral("reserved tag %1").arg(parts::hex2(tag));
    }
}

void descriptor(const std::uint8_t *d, int offset, EdidInfo &info)
{
    BaseBlock &base = info.base;
    if (d[0] != 0 || d[1] != 0) {
        base.timings.push_back(parts::detailedTiming(d, 0, offset, info.problems));
        return;
    }
    const std::uint8_t tag = d[3];
    switch (tag) {
    case 0xFC:
        base.name = descriptorText(d);
        return;
    case 0xFF:
        base.serialText = descriptorText(d);
        return;
    case 0xFD:
        base.rangeLimits = rangeLimits(d);
        return;
    default:
        break;
    }
    QString what = descriptorKind(tag);
    if (tag == 0xFE)
        what += QStringLiteral(" \"%1\"").arg(descriptorText(d));
    base.otherDescriptors.push_back({offset, tag, what});
}

QString extensionType(std::uint8_t tag)
{
    if (tag == 0x02)
        return QStringLiteral("CTA-861");
    if (tag == 0x70)
        return QStringLiteral("DisplayID");
    return parts::hex2(tag);
}

QString extensionName(std::uint8_t tag)
{
    switch (tag) {
    case 0x02:
        return QStringLiteral("CTA-861 extension");
    case 0x10:
        return QStringLiteral("Video Timing extension");
    case 0x40:
        return QStringLiteral("Display Information extension");
    case 0x50:
        return QStringLiteral("Localized String extension");
    case 0x60:
        return QStringLiteral("Digital Packet Video Link extension");
    case 0x70:
        return QStringLiteral("DisplayID extension");
    case 0xF0:
        return QStringLiteral("Block Map");
    case 0xFF:
        return QStringLiteral("manufacturer-specific extension");
    default:
        return QStringLiteral("unknown extension %1").arg(parts::hex2(tag));
    }
}

} // namespace

namespace parts
{

void baseBlock(const std::uint8_t *b, EdidInfo &info)
{
    BaseBlock &base = info.base;
    base.headerOk = std::equal(std::begin(Header), std::end(Header), b);
    if (!base.headerOk)
        info.problems.push_back(
            {0, 0, QStringLiteral("the header is not 00 FF FF FF FF FF FF 00")});
    base.manufacturer = manufacturerId(b[8], b[9]);
    base.productCode = b[10] | b[11] << 8;
    base.serialNumber = std::uint32_t(b[12]) | std::uint32_t(b[13]) << 8 |
                        std::uint32_t(b[14]) << 16 | std::uint32_t(b[15]) << 24;
    base.version = b[18];
    base.revision = b[19];
    if (b[16] == 0xFF) {
        base.modelYear = b[17] + 1990;
    } else {
        if (b[16] >= 1 && b[16] <= 54)
            base.week = b[16];
        base.year = b[17] + 1990;
    }
    inputAndFeatures(b, base);
    base.widthCm = b[21];
    base.heightCm = b[22];
    if (b[23] != 0xFF)
        base.gamma = (b[23] + 100) / 100.0;
    base.chromaticity = chromaticity(b);
    for (int i = 0; i < 17; ++i)
        if (b[35 + i / 8] & (0x80 >> (i % 8)))
            base.established << QLatin1String(Established[i]);
    standardTimings(b, base);
    for (const int offset : DescriptorOffsets)
        descriptor(b + offset, offset, info);
    base.extensionCount = b[126];
}

} // namespace parts

QString notATable(qsizetype size)
{
    if (size == 0)
        return QStringLiteral("the input is empty");
    if (size < MinDecodeSize)
        return QStringLiteral("%1 bytes are fewer than the 128 of one EDID block").arg(size);
    if (size > MaxDecodeSize)
        return QStringLiteral("%1 bytes are more than the 512 of four EDID blocks").arg(size);
    if (size % BlockSize != 0)
        return QStringLiteral("%1 bytes are not a whole number of 128-byte blocks").arg(size);
    return {};
}

EdidInfo decodeEdid(const Bytes &bytes)
{
    EdidInfo info;
    if (!notATable(qsizetype(bytes.size())).isEmpty())
        return info;
    info.size = int(bytes.size());
    const int blocks = info.size / BlockSize;
    for (int n = 0; n < blocks; ++n) {
        const std::uint8_t *b = bytes.data() + n * BlockSize;
        const Checksum sum{n, b[BlockSize - 1], edidChecksum(b)};
        info.checksums.push_back(sum);
        if (!sum.ok())
            info.problems.push_back({n, BlockSize - 1,
                                     QStringLiteral("checksum %1, should be %2")
                                         .arg(parts::hex2(sum.stored), parts::hex2(sum.computed))});
    }
    parts::baseBlock(bytes.data(), info);
    if (info.base.extensionCount + 1 != blocks)
        info.problems.push_back(
            {0, 126,
             QStringLiteral("extension count %1 needs %2 bytes, the table has %3")
                 .arg(info.base.extensionCount)
                 .arg((info.base.extensionCount + 1) * BlockSize)
                 .arg(info.size)});
    for (int n = 1; n < blocks; ++n) {
        const std::uint8_t *b = bytes.data() + n * BlockSize;
        Extension ext;
        ext.block = n;
        ext.tag = b[0];
        ext.type = extensionType(b[0]);
        ext.name = extensionName(b[0]);
        ext.revision = b[1];
        if (b[0] == 0x02)
            ext.cta = parts::ctaBlock(b, n, info);
        info.extensions.push_back(std::move(ext));
    }
    return info;
}

} // namespace edid
