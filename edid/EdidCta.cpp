#include "edid/EdidDecodeParts.h"

namespace edid::parts
{
namespace
{

constexpr int BlockEnd = 127; // the checksum byte
constexpr int TimingSize = 18;

// Short video descriptor codes: 1-127 and 193-253 name the VIC, 129-192 a native VIC 1-64.
ShortVideo shortVideo(std::uint8_t code)
{
    if (code >= 129 && code <= 192)
        return {code - 128, true, code};
    if ((code >= 1 && code <= 127) || (code >= 193 && code <= 253))
        return {code, false, code};
    return {0, false, code};
}

ShortAudio shortAudio(const std::uint8_t *a)
{
    static const char *const formats[] = {
        "reserved", "LPCM",          "AC-3",   "MPEG-1", "MP3", "MPEG-2", "AAC LC",  "DTS",
        "ATRAC",    "One Bit Audio", "E-AC-3", "DTS-HD", "MAT", "DST",    "WMA Pro", "extended"};
    static const double rates[] = {32, 44.1, 48, 88.2, 96, 176.4, 192};
    ShortAudio s;
    s.format = (a[0] >> 3) & 0x0F;
    s.formatName = QLatin1String(formats[s.format]);
    s.maxChannels = (a[0] & 0x07) + 1;
    for (int i = 0; i < 7; ++i)
        if (a[1] & (1 << i))
            s.ratesKHz.push_back(rates[i]);
    if (s.format == 1) {
        for (int i = 0; i < 3; ++i)
            if (a[2] & (1 << i))
                s.sizesBits.push_back(16 + 4 * i);
    } else if (s.format >= 2 && s.format <= 8) {
        s.maxBitrateKbps = a[2] * 8;
    } else if (s.format == 15) {
        s.formatName = QStringLiteral("extended type %1").arg(a[2] >> 3);
    }
    return s;
}

QStringList speakers(const std::uint8_t *p, int length)
{
    static const char *const names[] = {
        "FL/FR",   "LFE1",        "FC",        "BL/BR", "BC",        "FLC/FRC",  "RLC/RRC",
        "FLW/FRW", "TpFL/TpFR",   "TpC",       "TpFC",  "LS/RS",     "LFE2",     "TpBC",
        "SiL/SiR", "TpSiL/TpSiR", "TpBL/TpBR", "BtFC",  "BtFL/BtFR", "TpLS/TpRS"};
    QStringList out;
    for (int i = 0; i < 20 && i / 8 < length; ++i)
        if (p[i / 8] & (1 << (i % 8)))
            out << QLatin1String(names[i]);
    return out;
}

QString blockName(int tag)
{
    switch (tag) {
    case 1:
        return QStringLiteral("Audio Data Block");
    case 2:
        return QStringLiteral("Video Data Block");
    case 3:
        return QStringLiteral("Vendor-Specific Data Block");
    case 4:
        return QStringLiteral("Speaker Allocation Data Block");
    case 5:
        return QStringLiteral("VESA Display Transfer Characteristic Data Block");
    case 6:
        return QStringLiteral("Video Format Data Block");
    default:
        return QStringLiteral("reserved data block tag %1").arg(tag);
    }
}

} // namespace

void ctaDataBlock(const std::uint8_t *p, int length, int tag, int block, int offset, DataBlock &out,
                  EdidInfo &info)
{
    out.name = blockName(tag);
    switch (tag) {
    case 1:
        for (int i = 0; i + 3 <= length; i += 3)
            info.audio.push_back(shortAudio(p + i));
        break;
    case 2:
        for (int i = 0; i < length; ++i)
            info.vics.push_back(shortVideo(p[i]));
        break;
    case 4:
        info.speakers = speakers(p, length);
        break;
    case 3:
        vendorBlock(p, length, block, offset, out, info);
        break;
    case 7:
        extendedBlock(p, length, block, offset, out, info);
        break;
    default:
        break;
    }
}

CtaBlock ctaBlock(const std::uint8_t *b, int block, EdidInfo &info)
{
    CtaBlock cta;
    cta.revision = b[1];
    int dtdStart = b[2];
    if (cta.revision >= 2) {
        cta.underscan = (b[3] & 0x80) != 0;
        cta.basicAudio = (b[3] & 0x40) != 0;
        cta.ycbcr444 = (b[3] & 0x20) != 0;
        cta.ycbcr422 = (b[3] & 0x10) != 0;
        cta.nativeCount = b[3] & 0x0F;
    }
    if (dtdStart == 0)
        return cta; // neither timings nor data blocks
    if (dtdStart < 4 || dtdStart > BlockEnd) {
        info.problems.push_back(
            {block, 2,
             QStringLiteral("detailed-timing offset %1 is outside 4 to 127").arg(dtdStart)});
        dtdStart = dtdStart < 4 ? 4 : BlockEnd;
    }
    const std::size_t vicsBefore = info.vics.size();
    std::vector<int> mapOffsets; // 4:2:0 capability maps, read once every VIC is known
    // Data blocks exist from revision 3 on; before, these bytes are reserved.
    for (int o = 4; cta.revision >= 3 && o < dtdStart;) {
        const int tag = b[o] >> 5;
        const int length = b[o] & 0x1F;
        if (o + 1 + length > dtdStart) {
            info.problems.push_back(
                {block, o,
                 QStringLiteral("data block of %1 bytes runs past the detailed-timing offset %2")
                     .arg(length + 1)
                     .arg(dtdStart)});
            break;
        }
        DataBlock db;
        db.offset = o;
        db.length = length;
        if (tag == 7 && length >= 1 && b[o + 1] == 15)
            mapOffsets.push_back(o);
        ctaDataBlock(b + o + 1, length, tag, block, o, db, info);
        cta.dataBlocks.push_back(db);
        o += 1 + length;
    }
    for (const int o : mapOffsets) {
        const int bytes = (b[o] & 0x1F) - 1;
        const std::size_t count = info.vics.size() - vicsBefore;
        for (std::size_t i = 0; i < count; ++i) {
            // A map without bytes covers every VIC.
            const bool set =
                bytes == 0 || (int(i / 8) < bytes && (b[o + 2 + i / 8] & (1 << (i % 8))));
            if (set && info.vics[vicsBefore + i].vic != 0)
                info.ycbcr420Vics.push_back(info.vics[vicsBefore + i].vic);
        }
    }
    for (int o = dtdStart; o + TimingSize <= BlockEnd && (b[o] | b[o + 1]) != 0; o += TimingSize)
        cta.timings.push_back(detailedTiming(b + o, block, o, info.problems));
    return cta;
}

} // namespace edid::parts
