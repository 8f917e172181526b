#include "edid/EdidDecodeParts.h"

#include <cmath>

// The vendor-specific and extended-tag data blocks of a CTA-861 extension.
namespace edid::parts
{
namespace
{

constexpr std::uint32_t HdmiOui = 0x000C03;
constexpr std::uint32_t HdmiForumOui = 0xC45DD8;
constexpr int HdmiForumTmdsMin = 340, HdmiForumTmdsMax = 600;

HdmiVsdb hdmiVsdb(const std::uint8_t *p, int length)
{
    HdmiVsdb h;
    if (length >= 5)
        h.physicalAddress = QStringLiteral("%1.%2.%3.%4")
                                .arg(p[3] >> 4)
                                .arg(p[3] & 0x0F)
                                .arg(p[4] >> 4)
                                .arg(p[4] & 0x0F);
    if (length >= 6) {
        const std::uint8_t f = p[5];
        h.supportsAi = (f & 0x80) != 0;
        for (const auto &[bit, bits] : {std::pair{0x10, 30}, {0x20, 36}, {0x40, 48}})
            if (f & bit)
                h.deepColorBits.push_back(bits);
        h.deepColorY444 = (f & 0x08) != 0;
        h.dviDual = (f & 0x01) != 0;
    }
    if (length >= 7 && p[6] != 0)
        h.maxTmdsMhz = p[6] * 5;
    return h;
}

// `q` starts at the version byte, which follows the OUI (or the two reserved bytes of the
// sink capability block); `at` is the offset of that byte in the block.
HdmiForumVsdb hdmiForum(const std::uint8_t *q, int n, int block, int at, EdidInfo &info)
{
    HdmiForumVsdb h;
    const auto byte = [&](int i) { return i < n ? q[i] : std::uint8_t(0); };
    h.version = byte(0);
    if (byte(1) != 0) {
        h.maxTmdsMhz = byte(1) * 5;
        if (*h.maxTmdsMhz <= HdmiForumTmdsMin || *h.maxTmdsMhz > HdmiForumTmdsMax)
            info.problems.push_back(
                {block, at + 1,
                 QStringLiteral("HDMI Forum maximum TMDS character rate %1 MHz is not above "
                                "340 and at most 600 MHz")
                     .arg(*h.maxTmdsMhz)});
    }
    h.scdc = (byte(2) & 0x80) != 0;
    h.readRequest = (byte(2) & 0x40) != 0;
    h.lte340Scramble = (byte(2) & 0x08) != 0;
    static const int frl[][2] = {{0, 0}, {9, 3}, {18, 3}, {24, 4}, {32, 4}, {40, 4}, {48, 4}};
    const int rate = byte(3) >> 4;
    if (rate <= 6) {
        h.maxFrlGbps = frl[rate][0];
        h.frlLanes = frl[rate][1];
    }
    for (const auto &[bit, bits] : {std::pair{0x01, 30}, {0x02, 36}, {0x04, 48}})
        if (byte(3) & bit)
            h.deepColor420Bits.push_back(bits);
    h.allm = (byte(4) & 0x02) != 0;
    if (n >= 7) {
        h.vrrMinHz = byte(5) & 0x3F;
        h.vrrMaxHz = (byte(5) & 0xC0) << 2 | byte(6);
    }
    return h;
}

QStringList colorimetry(const std::uint8_t *e, int n)
{
    static const char *const names[] = {"xvYCC601", "xvYCC709",   "sYCC601",   "opYCC601",
                                        "opRGB",    "BT2020cYCC", "BT2020YCC", "BT2020RGB"};
    QStringList out;
    for (int i = 0; i < 8 && n >= 1; ++i)
        if (e[0] & (1 << i))
            out << QLatin1String(names[i]);
    if (n >= 2 && (e[1] & 0x80))
        out << QStringLiteral("DCI-P3");
    return out;
}

HdrStatic hdrStatic(const std::uint8_t *e, int n)
{
    static const char *const eotfs[] = {"SDR", "HDR", "PQ", "HLG"};
    HdrStatic h;
    for (int i = 0; i < 6 && n >= 1; ++i)
        if (e[0] & (1 << i))
            h.eotfs << (i < 4 ? QLatin1String(eotfs[i]) : QStringLiteral("reserved %1").arg(i));
    const auto luminance = [](int code) { return 50.0 * std::pow(2.0, code / 32.0); };
    if (n >= 3 && e[2] != 0)
        h.maxLuminance = luminance(e[2]);
    if (n >= 4 && e[3] != 0)
        h.maxFrameAverage = luminance(e[3]);
    if (n >= 5 && h.maxLuminance)
        h.minLuminance = *h.maxLuminance * std::pow(e[4] / 255.0, 2) / 100.0;
    return h;
}

QStringList videoCapability(std::uint8_t c)
{
    static const char *const scan[] = {"not supported", "always overscanned", "always underscanned",
                                       "both"};
    return {QStringLiteral("RGB quantisation range %1")
                .arg(c & 0x40 ? QStringLiteral("selectable") : QStringLiteral("fixed")),
            QStringLiteral("YCC quantisation range %1")
                .arg(c & 0x80 ? QStringLiteral("selectable") : QStringLiteral("fixed")),
            QStringLiteral("PT scan: %1").arg(QLatin1String(scan[(c >> 4) & 3])),
            QStringLiteral("IT scan: %1").arg(QLatin1String(scan[(c >> 2) & 3])),
            QStringLiteral("CE scan: %1").arg(QLatin1String(scan[c & 3]))};
}

QString extendedName(int tag)
{
    switch (tag) {
    case 0:
        return QStringLiteral("Video Capability Data Block");
    case 1:
        return QStringLiteral("VESA Video Display Device Data Block");
    case 2:
        return QStringLiteral("VESA Video Timing Data Block");
    case 5:
        return QStringLiteral("Colorimetry Data Block");
    case 6:
        return QStringLiteral("HDR Static Metadata Data Block");
    case 7:
        return QStringLiteral("HDR Dynamic Metadata Data Block");
    case 13:
        return QStringLiteral("Video Format Preference Data Block");
    case 14:
        return QStringLiteral("YCbCr 4:2:0 Video Data Block");
    case 15:
        return QStringLiteral("YCbCr 4:2:0 Capability Map Data Block");
    case 17:
        return QStringLiteral("Vendor-Specific Audio Data Block");
    case 18:
        return QStringLiteral("HDMI Audio Data Block");
    case 19:
        return QStringLiteral("Room Configuration Data Block");
    case 20:
        return QStringLiteral("Speaker Location Data Block");
    case 32:
        return QStringLiteral("InfoFrame Data Block");
    case 120:
        return QStringLiteral("HDMI Forum EDID Extension Override Data Block");
    case 121:
        return QStringLiteral("HDMI Forum Sink Capability Data Block");
    default:
        return QStringLiteral("reserved extended tag %1").arg(tag);
    }
}

} // namespace

void vendorBlock(const std::uint8_t *p, int length, int block, int offset, DataBlock &out,
                 EdidInfo &info)
{
    if (length < 3) {
        out.notes << QStringLiteral("too short for an OUI");
        return;
    }
    const std::uint32_t oui = std::uint32_t(p[2]) << 16 | std::uint32_t(p[1]) << 8 | p[0];
    if (oui == HdmiOui) {
        out.name = QStringLiteral("HDMI Vendor-Specific Data Block");
        info.hdmi = hdmiVsdb(p, length);
    } else if (oui == HdmiForumOui) {
        out.name = QStringLiteral("HDMI Forum Vendor-Specific Data Block");
        info.hdmiForum = hdmiForum(p + 3, length - 3, block, offset + 4, info);
    } else {
        out.notes << QStringLiteral("OUI %1-%2-%3")
                         .arg(hex2(p[2]).mid(2), hex2(p[1]).mid(2), hex2(p[0]).mid(2));
    }
}

void extendedBlock(const std::uint8_t *p, int length, int block, int offset, DataBlock &out,
                   EdidInfo &info)
{
    if (length < 1) {
        out.name = QStringLiteral("Extended tag data block without its tag");
        return;
    }
    const int tag = p[0];
    const std::uint8_t *e = p + 1;
    const int n = length - 1;
    out.name = extendedName(tag);
    switch (tag) {
    case 0:
        if (n >= 1)
            out.notes = videoCapability(e[0]);
        break;
    case 5:
        info.colorimetry = colorimetry(e, n);
        break;
    case 6:
        info.hdr = hdrStatic(e, n);
        break;
    case 14:
        for (int i = 0; i < n; ++i)
            if (e[i] != 0)
                info.ycbcr420Vics.push_back(e[i] >= 129 && e[i] <= 192 ? e[i] - 128 : e[i]);
        break;
    case 121:
        if (n >= 2)
            info.hdmiForum = hdmiForum(e + 2, n - 2, block, offset + 4, info);
        break;
    default:
        break;
    }
}

} // namespace edid::parts
