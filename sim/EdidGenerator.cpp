#include "sim/EdidGenerator.h"

#include <QStringList>
#include <algorithm>
#include <cmath>
#include <tuple>
#include <utility>
#include <vector>

namespace edidgen
{
namespace
{

// CTA-861 video timings the tables use.
const Timing kTimings[] = {
    {1, 640, 160, 16, 96, 480, 45, 10, 2, 25175, false, 60},
    {3, 720, 138, 16, 62, 480, 45, 9, 6, 27000, false, 60},
    {4, 1280, 370, 110, 40, 720, 30, 5, 5, 74250, false, 60},
    {5, 1920, 280, 88, 44, 540, 22, 2, 5, 74250, true, 60},
    {16, 1920, 280, 88, 44, 1080, 45, 4, 5, 148500, false, 60},
    {18, 720, 144, 12, 64, 576, 49, 5, 5, 27000, false, 50},
    {19, 1280, 700, 440, 40, 720, 30, 5, 5, 74250, false, 50},
    {20, 1920, 720, 528, 44, 540, 22, 2, 5, 74250, true, 50},
    {31, 1920, 720, 528, 44, 1080, 45, 4, 5, 148500, false, 50},
    {32, 1920, 830, 638, 44, 1080, 45, 4, 5, 74250, false, 24},
    {93, 3840, 1660, 1276, 88, 2160, 90, 8, 10, 297000, false, 24},
    {94, 3840, 1440, 1056, 88, 2160, 90, 8, 10, 297000, false, 25},
    {95, 3840, 560, 176, 88, 2160, 90, 8, 10, 297000, false, 30},
    {96, 3840, 1440, 1056, 88, 2160, 90, 8, 10, 594000, false, 50},
    {97, 3840, 560, 176, 88, 2160, 90, 8, 10, 594000, false, 60},
};

const int kImageWidthMm = 1600;
const int kImageHeightMm = 900;

void putChecksum(QByteArray &block, int start)
{
    quint8 sum = 0;
    for (int i = start; i < start + 127; ++i)
        sum = quint8(sum + quint8(block[i]));
    block[start + 127] = char(quint8(0x100 - sum));
}

QByteArray detailedTiming(const Timing &t)
{
    QByteArray d(18, '\0');
    const int clock = t.pixelKHz / 10;
    d[0] = char(clock & 0xFF);
    d[1] = char(clock >> 8);
    d[2] = char(t.hActive & 0xFF);
    d[3] = char(t.hBlank & 0xFF);
    d[4] = char(((t.hActive >> 8) << 4) | (t.hBlank >> 8));
    d[5] = char(t.vActive & 0xFF);
    d[6] = char(t.vBlank & 0xFF);
    d[7] = char(((t.vActive >> 8) << 4) | (t.vBlank >> 8));
    d[8] = char(t.hFront & 0xFF);
    d[9] = char(t.hSync & 0xFF);
    d[10] = char(((t.vFront & 0x0F) << 4) | (t.vSync & 0x0F));
    d[11] = char(((t.hFront >> 8) << 6) | ((t.hSync >> 8) << 4) | ((t.vFront >> 4) << 2) |
                 (t.vSync >> 4));
    d[12] = char(kImageWidthMm & 0xFF);
    d[13] = char(kImageHeightMm & 0xFF);
    d[14] = char(((kImageWidthMm >> 8) << 4) | (kImageHeightMm >> 8));
    // Digital separate sync, both polarities positive (as the CTA-861 timings used here).
    d[17] = char((t.interlaced ? 0x80 : 0x00) | 0x18 | 0x04 | 0x02);
    return d;
}

QByteArray textDescriptor(quint8 tag, const QByteArray &text)
{
    QByteArray d(18, '\0');
    d[3] = char(tag);
    const QByteArray t = text.left(13);
    for (int i = 0; i < 13; ++i)
        d[5 + i] = i < t.size() ? t[i] : (i == t.size() ? '\n' : ' ');
    return d;
}

double lineKHz(const Timing &t)
{
    return double(t.pixelKHz) / double(t.hActive + t.hBlank);
}

QByteArray rangeDescriptor(const QList<const Timing *> &timings)
{
    int minV = 60, maxV = 60, maxClock = 0;
    double minH = 1e9, maxH = 0;
    for (const Timing *t : timings) {
        minV = std::min(minV, t->refreshHz);
        maxV = std::max(maxV, t->refreshHz);
        minH = std::min(minH, lineKHz(*t));
        maxH = std::max(maxH, lineKHz(*t));
        maxClock = std::max(maxClock, t->pixelKHz);
    }
    QByteArray d(18, '\0');
    d[3] = char(0xFD);
    d[5] = char(minV - 1);
    d[6] = char(maxV + 1);
    d[7] = char(int(std::floor(minH)) - 1);
    d[8] = char(int(std::ceil(maxH)) + 1);
    d[9] = char((maxClock + 9999) / 10000);
    d[10] = 0x00; // default GTF
    d[11] = '\n';
    for (int i = 12; i < 18; ++i)
        d[i] = ' ';
    return d;
}

// Colour coordinates as 10-bit binary fractions.
int coord(double v)
{
    return int(std::lround(v * 1024.0));
}

QByteArray dataBlock(int tag, const QByteArray &payload)
{
    return QByteArray(1, char((tag << 5) | payload.size())) + payload;
}

QByteArray extendedBlock(int extTag, const QByteArray &payload)
{
    return dataBlock(7, QByteArray(1, char(extTag)) + payload);
}

QByteArray audioBlocks(Audio audio)
{
    QByteArray sads;
    QByteArray speakers;
    switch (audio) {
    case Audio::Stereo:
        sads = QByteArray::fromHex("090707");
        speakers = QByteArray::fromHex("010000");
        break;
    case Audio::Surround51:
        sads = QByteArray::fromHex("0d7f07"
                                   "150750"
                                   "3d06c0");
        speakers = QByteArray::fromHex("0f0000");
        break;
    case Audio::All:
        sads = QByteArray::fromHex("0f7f07"
                                   "150750"
                                   "3d06c0"
                                   "570600"
                                   "5f7e01"
                                   "675400");
        speakers = QByteArray::fromHex("4f0000");
        break;
    }
    return dataBlock(1, sads) + dataBlock(4, speakers);
}

bool lists(const Profile &p, int vic)
{
    return p.vics.contains(vic);
}

} // namespace

int Profile::videoRank() const
{
    int best = 0;
    for (int v : vics + vics420Only) {
        if (const Timing *t = timingOf(v))
            best = std::max(best, t->pixelKHz / 1000 * 2 + (vics420Only.contains(v) ? 0 : 1));
    }
    return best * 1000 + maxTmdsMhz + bitDepth + (hdr ? 1 : 0);
}

const Timing *timingOf(int vic)
{
    for (const Timing &t : kTimings)
        if (t.vic == vic)
            return &t;
    return nullptr;
}

bool Profile::operator==(const Profile &o) const
{
    const auto fields = [](const Profile &p) {
        return std::tie(p.monitorName, p.productCode, p.preferredVic, p.vics, p.vics420Only,
                        p.vics420Also, p.maxTmdsMhz, p.ycbcr444, p.ycbcr422, p.bitDepth,
                        p.bitDepth420, p.hdr, p.bt2020, p.audio, p.threeD);
    };
    return fields(*this) == fields(o);
}

namespace
{
QByteArray build(const Profile &p);
}

QByteArray generate(const Profile &p)
{
    // The model rebuilds its table on most setting writes, from a handful of profiles.
    static std::vector<std::pair<Profile, QByteArray>> recent;
    for (const auto &r : recent)
        if (r.first == p)
            return r.second;
    if (recent.size() >= 8)
        recent.erase(recent.begin());
    recent.emplace_back(p, build(p));
    return recent.back().second;
}

namespace
{
QByteArray build(const Profile &p)
{
    QByteArray e(256, '\0');
    // --- Base block (EDID 1.4) ---
    const char header[8] = {0,          char(0xFF), char(0xFF), char(0xFF),
                            char(0xFF), char(0xFF), char(0xFF), 0};
    for (int i = 0; i < 8; ++i)
        e[i] = header[i];
    // Manufacturer "KVS": three 5-bit letters.
    const int mfg = ((('K' - '@') << 10) | (('V' - '@') << 5) | ('S' - '@'));
    e[8] = char(mfg >> 8);
    e[9] = char(mfg & 0xFF);
    e[10] = char(p.productCode & 0xFF);
    e[11] = char(p.productCode >> 8);
    e[16] = 1; // week of manufacture
    e[17] = char(2023 - 1990);
    e[18] = 1;
    e[19] = 3;          // HDMI sinks carry the EDID 1.3 structure
    e[20] = char(0x80); // digital input
    e[21] = char(kImageWidthMm / 10);
    e[22] = char(kImageHeightMm / 10);
    e[23] = char(220 - 100); // gamma 2.2
    // RGB colour display, sRGB default colour space, preferred timing mode.
    e[24] = char(0x08 | 0x04 | 0x02);
    // BT.709 primaries, D65 white.
    const int rx = coord(0.640), ry = coord(0.330), gx = coord(0.300), gy = coord(0.600);
    const int bx = coord(0.150), by = coord(0.060), wx = coord(0.3127), wy = coord(0.3290);
    e[25] = char(((rx & 3) << 6) | ((ry & 3) << 4) | ((gx & 3) << 2) | (gy & 3));
    e[26] = char(((bx & 3) << 6) | ((by & 3) << 4) | ((wx & 3) << 2) | (wy & 3));
    const int highs[8] = {rx, ry, gx, gy, bx, by, wx, wy};
    for (int i = 0; i < 8; ++i)
        e[27 + i] = char(highs[i] >> 2);
    e[35] = 0x20; // 640x480 at 60 Hz
    for (int i = 38; i < 54; ++i)
        e[i] = 0x01; // no standard timings

    const Timing *preferred = timingOf(p.preferredVic);
    if (!preferred)
        preferred = timingOf(16);
    QList<const Timing *> all{preferred, timingOf(1)};
    for (int v : p.vics + p.vics420Only)
        if (const Timing *t = timingOf(v))
            all << t;
    const QByteArray descriptors = detailedTiming(*preferred) + rangeDescriptor(all) +
                                   textDescriptor(0xFC, p.monitorName) +
                                   QByteArray::fromHex("000000100000000000000000000000000000");
    for (int i = 0; i < descriptors.size(); ++i)
        e[54 + i] = descriptors[i];
    e[126] = 1;
    putChecksum(e, 0);

    // --- CTA-861 extension ---
    QByteArray blocks;
    // An interlaced native format needs a native progressive one beside it: the first
    // progressive format of the list is marked native.
    QByteArray svds;
    bool markNative = preferred->interlaced;
    for (int v : p.vics) {
        const Timing *t = timingOf(v);
        const bool native = markNative && v <= 64 && t && !t->interlaced;
        if (native)
            markNative = false;
        svds += char(native ? (0x80 | v) : v);
    }
    blocks += dataBlock(2, svds);
    blocks += audioBlocks(p.audio);

    // HDMI 1.4 vendor block: deep colour, TMDS clock up to 340 MHz, 4k HDMI VICs and 3D.
    QByteArray hdmi = QByteArray::fromHex("030c001000");
    int dc = 0;
    if (p.bitDepth >= 10)
        dc |= 0x10;
    if (p.bitDepth >= 12)
        dc |= 0x20;
    if (dc && p.ycbcr444)
        dc |= 0x08;
    hdmi += char(dc);
    hdmi += char(std::min(p.maxTmdsMhz, 340) / 5);
    QByteArray hdmiVics;
    const int vicToHdmi[][2] = {{95, 1}, {94, 2}, {93, 3}};
    for (const auto &m : vicToHdmi)
        if (lists(p, m[0]))
            hdmiVics += char(m[1]);
    const bool threeD =
        p.threeD && lists(p, 32) && (lists(p, 4) || lists(p, 19)) && (lists(p, 5) || lists(p, 20));
    if (threeD || !hdmiVics.isEmpty()) {
        hdmi += char(0x20);                 // HDMI video present
        hdmi += char(threeD ? 0x80 : 0x00); // 3D present
        hdmi += char(hdmiVics.size() << 5); // HDMI VIC length, no 3D list
        hdmi += hdmiVics;
    } else {
        hdmi += char(0x00);
    }
    blocks += dataBlock(3, hdmi);

    const bool needsForum =
        p.maxTmdsMhz > 340 || !p.vics420Only.isEmpty() || !p.vics420Also.isEmpty();
    if (needsForum) {
        QByteArray hf = QByteArray::fromHex("d85dc401");
        hf += char(p.maxTmdsMhz > 340 ? p.maxTmdsMhz / 5 : 0);
        hf += char(0x80 | (p.maxTmdsMhz > 340 ? 0x08 : 0x00)); // SCDC, scrambling below 340
        int dc420 = 0;
        if (p.bitDepth420 >= 10)
            dc420 |= 0x01;
        if (p.bitDepth420 >= 12)
            dc420 |= 0x02;
        hf += char(dc420);
        blocks += dataBlock(3, hf);
    }

    blocks +=
        extendedBlock(0x00, QByteArray(1, char(0xCA))); // quantisation selectable, underscanned
    if (p.bt2020)
        blocks += extendedBlock(0x05, QByteArray::fromHex("c000"));
    if (p.hdr)
        blocks += extendedBlock(0x06, QByteArray::fromHex("0d01785a00"));
    if (!p.vics420Only.isEmpty()) {
        QByteArray y420;
        for (int v : p.vics420Only)
            y420 += char(v);
        blocks += extendedBlock(0x0E, y420);
    }
    if (!p.vics420Also.isEmpty()) {
        QByteArray map((p.vics.size() + 7) / 8, '\0');
        for (int i = 0; i < p.vics.size(); ++i)
            if (p.vics420Also.contains(p.vics[i]))
                map[i / 8] = char(quint8(map[i / 8]) | (1 << (i % 8)));
        blocks += extendedBlock(0x0F, map);
    }
    blocks.truncate(123); // room between the header and the checksum

    e[128] = 0x02;
    e[129] = 0x03;
    e[130] = char(4 + blocks.size());
    e[131] = char(0x80 | 0x40 | (p.ycbcr444 ? 0x20 : 0) | (p.ycbcr422 ? 0x10 : 0) | 1);
    for (int i = 0; i < blocks.size(); ++i)
        e[132 + i] = blocks[i];
    putChecksum(e, 128);
    return e;
}
} // namespace

Profile builtinProfile(int table)
{
    if (table < 1 || table > BuiltinCount)
        table = 1;
    const QList<int> hd{16, 31, 32, 5, 20, 4, 19, 3, 18, 1};
    Profile p;
    p.productCode = quint16(table);
    p.monitorName = "KORVALIS " + QByteArray::number(table);
    p.vics = hd;
    const bool allSound = table == 1 || table % 2 == 0;
    p.audio = allSound ? Audio::All : Audio::Stereo;
    switch (table) {
    case 1:
    case 2:
    case 3:
    case 4:
    case 5:
        p.preferredVic = 97;
        p.vics = QList<int>{97, 96, 95, 94, 93} + hd;
        p.vics420Also = {97, 96};
        p.maxTmdsMhz = 600;
        p.bitDepth = p.bitDepth420 = (table <= 3 ? 12 : 8);
        p.hdr = p.bt2020 = table <= 3;
        break;
    case 6:
    case 7:
        p.preferredVic = 95; // 4k50's porches do not fit a detailed timing descriptor
        p.vics = QList<int>{96, 95, 94, 93} + hd;
        p.vics420Also = {96};
        p.maxTmdsMhz = 600;
        p.bitDepth = p.bitDepth420 = 12;
        p.hdr = p.bt2020 = true;
        break;
    case 8:
    case 9:
    case 10:
    case 11:
    case 12:
    case 13:
        p.preferredVic = 95;
        p.vics = QList<int>{95, 94, 93} + hd;
        p.vics420Only = {97, 96};
        p.maxTmdsMhz = table <= 11 ? 450 : 300;
        p.bitDepth = table <= 11 ? 12 : 8;
        p.bitDepth420 = p.bitDepth;
        p.hdr = table <= 9;
        p.bt2020 = table <= 11;
        break;
    case 14:
    case 15:
    case 16:
    case 17:
        p.preferredVic = 95;
        p.vics = QList<int>{95, 94, 93} + hd;
        p.maxTmdsMhz = 300;
        p.ycbcr444 = p.ycbcr422 = table <= 15;
        break;
    case 18:
    case 19:
        p.preferredVic = 16; // 4k24's porches do not fit a detailed timing descriptor
        p.vics = QList<int>{16, 93, 31, 32, 5, 20, 4, 19, 3, 18, 1};
        p.maxTmdsMhz = 300;
        p.bitDepth = 12;
        p.bt2020 = true;
        break;
    case 20:
    case 21:
        p.preferredVic = 16;
        p.maxTmdsMhz = 165;
        p.hdr = table == 21;
        p.audio = table == 20 ? Audio::All : Audio::Stereo;
        break;
    case 22:
    case 23:
        p.preferredVic = 32;
        p.vics = {32, 4, 3, 1};
        p.maxTmdsMhz = 165;
        p.threeD = false;
        break;
    default: // 24, 25
        p.preferredVic = 5;
        p.vics = {5, 20, 4, 19, 3, 18, 1};
        p.maxTmdsMhz = 165;
        p.threeD = false;
        break;
    }
    return p;
}

QByteArray builtinTable(int table)
{
    return generate(builtinProfile(table));
}

Profile fixedProfile()
{
    Profile p = builtinProfile(4); // 4k60 4:4:4, no HDR, every audio format
    p.monitorName = "KORVALIS FIX";
    p.productCode = 100;
    return p;
}

QStringList displayNames()
{
    return {"tv-4k-hdr", "tv-4k30", "tv-1080p", "avr-4k"};
}

bool displayProfile(const QString &name, Profile *out)
{
    Profile p;
    if (name == "tv-4k-hdr") {
        p = builtinProfile(3);
        p.monitorName = "DEMO TV 4K";
        p.audio = Audio::Stereo;
    } else if (name == "tv-4k30") {
        p = builtinProfile(15);
        p.monitorName = "DEMO TV 4K30";
    } else if (name == "tv-1080p") {
        p = builtinProfile(20);
        p.monitorName = "DEMO TV HD";
        p.audio = Audio::Stereo;
    } else if (name == "avr-4k") {
        p = builtinProfile(12);
        p.monitorName = "DEMO AVR";
        p.audio = Audio::All;
    } else {
        return false;
    }
    p.productCode = quint16(0x200 + displayNames().indexOf(name));
    *out = p;
    return true;
}

bool checksumsValid(const QByteArray &edid)
{
    if (edid.size() != 256)
        return false;
    for (int block = 0; block < 2; ++block) {
        quint8 sum = 0;
        for (int i = 0; i < 128; ++i)
            sum = quint8(sum + quint8(edid[block * 128 + i]));
        if (sum != 0)
            return false;
    }
    return true;
}

} // namespace edidgen
