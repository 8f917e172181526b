#include "edid/EdidEditParts.h"

#include "edid/VideoFormatTable.h"

#include <algorithm>
#include <functional>
#include <set>

// The edits of a CTA-861 extension's data blocks. Codes and bit positions are those the decoder
// reads (EdidCta.cpp, EdidCtaVendor.cpp).
namespace edid::editparts
{
namespace
{

using cta::DataBlock;
using cta::Layout;

constexpr int TmdsStepMhz = 5;
constexpr int HdmiTmdsMaxMhz = 340, HdmiForumTmdsMaxMhz = 600;
constexpr int HdmiTmdsByte = 6, HdmiFlagsByte = 5, HdmiForumTmdsByte = 4;
constexpr std::uint8_t DeepColourBits = 0x70, DeepColourY444 = 0x08;
constexpr int HdmiForumSinkCapability = 121;
constexpr std::uint8_t Lpcm2ch = 1 << 3 | 1; // format 1, two channels
constexpr std::uint8_t FrontLeftRight = 0x01;

// A short video descriptor's VIC, as the decoder reads it; 0 for a reserved code.
int vicOf(std::uint8_t code)
{
    if (code >= 129 && code <= 192)
        return code - 128;
    return (code >= 1 && code <= 127) || (code >= 193 && code <= 253) ? code : 0;
}

void ensureSize(Bytes &payload, std::size_t size)
{
    if (payload.size() < size)
        payload.resize(size, 0);
}

struct SvdPlace {
    int block = 0;
    int at = 0; // payload index
};

// The short video descriptors over every video data block, in the order the map counts them.
std::vector<SvdPlace> svds(const Layout &layout)
{
    std::vector<SvdPlace> out;
    for (const int b : layout.find(cta::Video))
        for (std::size_t i = 0; i < layout.blocks[std::size_t(b)].payload.size(); ++i)
            out.push_back({b, int(i)});
    return out;
}

std::uint8_t svdCode(const Layout &layout, const SvdPlace &p)
{
    return layout.blocks[std::size_t(p.block)].payload[std::size_t(p.at)];
}

void eraseBlocks(Layout &layout, const std::function<bool(const DataBlock &)> &drop)
{
    auto &blocks = layout.blocks;
    blocks.erase(std::remove_if(blocks.begin(), blocks.end(), drop), blocks.end());
}

// HDMI VICs 1 to 4 of the HDMI vendor-specific block, each with the CTA-861 VIC of its format.
constexpr std::pair<int, int> HdmiVicFormats[] = {{1, 95}, {2, 94}, {3, 93}, {4, 98}};
constexpr int HdmiVideoFlagsByte = 7;
constexpr std::uint8_t LatencyPresent = 0x80, InterlacedLatencyPresent = 0x40,
                       HdmiVideoPresent = 0x20;
constexpr int ThreeDMulti = 5;    // bits 6 and 5 of the 3D byte: 1 structures, 2 with a mask
constexpr int PositionalModes = 16; // 3D masks and 2D_VIC_order count the first 16 descriptors
constexpr int DetailedStructures = 8; // 3D_Structure 8 and up carry a detail byte

// Where the HDMI block's video part lies: its lengths byte, the HDMI VICs, the 3D part.
struct HdmiVideo {
    std::size_t threeDByte = 0; // 3D present, 3D_Multi_present, image size
    std::size_t lengths = 0;    // HDMI_VIC_LEN (3 bits), HDMI_3D_LEN (5 bits)
    int vicCount = 0;
    int threeDLength = 0;
    std::size_t threeD() const { return lengths + 1 + std::size_t(vicCount); }
};

std::optional<HdmiVideo> hdmiVideo(const Bytes &p)
{
    if (p.size() <= HdmiVideoFlagsByte || !(p[HdmiVideoFlagsByte] & HdmiVideoPresent))
        return std::nullopt;
    const std::uint8_t flags = p[HdmiVideoFlagsByte];
    HdmiVideo v;
    v.threeDByte = HdmiVideoFlagsByte + 1 + (flags & LatencyPresent ? 2 : 0) +
                   (flags & InterlacedLatencyPresent ? 2 : 0);
    v.lengths = v.threeDByte + 1;
    if (v.lengths >= p.size())
        return std::nullopt;
    v.vicCount = p[v.lengths] >> 5;
    v.threeDLength = p[v.lengths] & 0x1F;
    if (v.threeD() + std::size_t(v.threeDLength) > p.size())
        return std::nullopt; // shorter than it says: the decoder names that, edits leave it
    return v;
}

// Bit i of `mask` (most significant byte first) is descriptor i: the bits of the descriptors
// gone are taken out, the others move down with their descriptors.
std::uint16_t withoutPositions(std::uint16_t mask, const std::vector<std::size_t> &gone)
{
    std::uint16_t out = 0;
    int to = 0;
    for (int bit = 0; bit < PositionalModes; ++bit) {
        if (std::find(gone.begin(), gone.end(), std::size_t(bit)) != gone.end())
            continue;
        if (mask >> bit & 1)
            out |= std::uint16_t(1 << to);
        ++to;
    }
    return out;
}

// The HDMI block's 3D part names descriptors by position (its mask and each 2D_VIC_order): when
// descriptors go, their entries go and the others are renumbered, so 3D stays on the same modes.
void renumber3d(Layout &layout, const std::vector<std::size_t> &gone)
{
    const std::optional<int> hdmi = layout.vendor(cta::HdmiOui);
    if (!hdmi || gone.empty())
        return;
    Bytes &p = layout.blocks[std::size_t(*hdmi)].payload;
    const std::optional<HdmiVideo> video = hdmiVideo(p);
    if (!video)
        return;
    const int multi = p[video->threeDByte] >> ThreeDMulti & 3;
    std::size_t at = video->threeD() + (multi == 1 || multi == 2 ? 2 : 0);
    const std::size_t end = video->threeD() + std::size_t(video->threeDLength);
    if (multi == 2 && at + 2 <= end) {
        const std::uint16_t mask = withoutPositions(std::uint16_t(p[at] << 8 | p[at + 1]), gone);
        p[at] = std::uint8_t(mask >> 8);
        p[at + 1] = std::uint8_t(mask);
        at += 2;
    }
    std::size_t last = end;
    while (at < last) {
        const int order = p[at] >> 4;
        const std::size_t size = (p[at] & 0x0F) >= DetailedStructures ? 2 : 1;
        if (at + size > last)
            break;
        if (std::find(gone.begin(), gone.end(), std::size_t(order)) != gone.end()) {
            p.erase(p.begin() + std::ptrdiff_t(at), p.begin() + std::ptrdiff_t(at + size));
            last -= size;
            continue;
        }
        const auto before = std::count_if(gone.begin(), gone.end(),
                                          [order](std::size_t g) { return g < std::size_t(order); });
        p[at] = std::uint8_t((order - int(before)) << 4 | (p[at] & 0x0F));
        at += size;
    }
    const int length = video->threeDLength - int(end - last);
    p[video->lengths] = std::uint8_t(video->vicCount << 5 | length);
}

// Removes the descriptors `drop` names; each capability map loses their bits, so that its other
// bits keep pointing at the same modes. A video block left empty goes. Returns how many went.
int removeSvds(Layout &layout, const std::function<bool(int vic)> &drop)
{
    const std::vector<SvdPlace> all = svds(layout);
    std::vector<std::size_t> gone;
    for (std::size_t i = 0; i < all.size(); ++i)
        if (drop(vicOf(svdCode(layout, all[i]))))
            gone.push_back(i);
    for (const int m : layout.find(cta::Extended, cta::Ycbcr420Map)) {
        Bytes &map = layout.blocks[std::size_t(m)].payload;
        if (map.size() <= 1)
            continue; // a map without bytes covers every mode
        std::vector<bool> bits;
        for (std::size_t i = 1; i < map.size(); ++i)
            for (int bit = 0; bit < 8; ++bit)
                bits.push_back((map[i] >> bit) & 1);
        for (auto g = gone.rbegin(); g != gone.rend(); ++g)
            if (*g < bits.size())
                bits.erase(bits.begin() + std::ptrdiff_t(*g));
        for (std::size_t i = 1; i < map.size(); ++i) {
            map[i] = 0;
            for (int bit = 0; bit < 8; ++bit) {
                const std::size_t k = (i - 1) * 8 + std::size_t(bit);
                if (k < bits.size() && bits[k])
                    map[i] |= std::uint8_t(1 << bit);
            }
        }
    }
    renumber3d(layout, gone);
    for (auto g = gone.rbegin(); g != gone.rend(); ++g) {
        Bytes &p = layout.blocks[std::size_t(all[*g].block)].payload;
        p.erase(p.begin() + all[*g].at);
    }
    eraseBlocks(layout, [](const DataBlock &b) { return b.tag == cta::Video && b.payload.empty(); });
    return int(gone.size());
}

// From the 4:2:0 video data blocks; one left with only its extended tag goes.
int remove420Vics(Layout &layout, const std::function<bool(int vic)> &drop)
{
    int removed = 0;
    for (const int b : layout.find(cta::Extended, cta::Ycbcr420Video)) {
        Bytes &p = layout.blocks[std::size_t(b)].payload;
        const auto end = std::remove_if(p.begin() + 1, p.end(),
                                        [&](std::uint8_t code) { return drop(vicOf(code)); });
        removed += int(p.end() - end);
        p.erase(end, p.end());
    }
    eraseBlocks(layout, [](const DataBlock &b) {
        return b.extendedTag() == cta::Ycbcr420Video && b.payload.size() == 1;
    });
    return removed;
}

// From the HDMI block's own VIC list, those whose CTA-861 format `drop` names: a display that
// no longer lists a format must not claim it there either. Returns how many went.
int removeHdmiVics(Layout &layout, const std::function<bool(int vic)> &drop)
{
    const std::optional<int> hdmi = layout.vendor(cta::HdmiOui);
    if (!hdmi)
        return 0;
    Bytes &p = layout.blocks[std::size_t(*hdmi)].payload;
    const std::optional<HdmiVideo> video = hdmiVideo(p);
    if (!video)
        return 0;
    int removed = 0;
    for (int i = video->vicCount - 1; i >= 0; --i) {
        const auto at = p.begin() + std::ptrdiff_t(video->lengths + 1) + i;
        for (const auto &[hdmiVic, ctaVic] : HdmiVicFormats)
            if (*at == hdmiVic && drop(ctaVic)) {
                p.erase(at);
                ++removed;
                break;
            }
    }
    p[video->lengths] = std::uint8_t((video->vicCount - removed) << 5 | video->threeDLength);
    return removed;
}

bool listed(const Layout &layout, int vic)
{
    for (const SvdPlace &p : svds(layout))
        if (vicOf(svdCode(layout, p)) == vic)
            return true;
    return false;
}

QString removeVics(Layout &layout, const std::vector<int> &vics)
{
    for (const int vic : vics)
        if (!listed(layout, vic))
            return QStringLiteral("VIC %1 is not in the video data block").arg(vic);
    const std::set<int> drop(vics.begin(), vics.end());
    const auto dropped = [&](int vic) { return drop.count(vic) != 0; };
    removeSvds(layout, dropped);
    removeHdmiVics(layout, dropped);
    return {};
}

QString addVics(Layout &layout, const std::vector<int> &vics)
{
    for (const int vic : vics) {
        if (videoFormat(vic) == nullptr)
            return QStringLiteral("VIC %1 names no video format").arg(vic);
        if (listed(layout, vic))
            return QStringLiteral("VIC %1 is already listed").arg(vic);
        const std::vector<int> video = layout.find(cta::Video);
        if (video.empty()) {
            layout.blocks.insert(layout.blocks.begin(), DataBlock{cta::Video, {}});
        }
        // At the end of the last block: no descriptor moves, so the maps keep their modes.
        Bytes &p = layout.blocks[std::size_t(video.empty() ? 0 : video.back())].payload;
        if (p.size() >= std::size_t(cta::MaxPayload))
            return QStringLiteral("the video data block has no room for VIC %1").arg(vic);
        p.push_back(std::uint8_t(vic)); // 1 to 127 and 193 to 219 are their own codes
    }
    return {};
}

QString removeMode(Layout &layout, int width, int height)
{
    const auto ofSize = [&](int vic) {
        const VideoFormatRow *row = videoFormat(vic);
        return row != nullptr && row->width == width && row->height == height;
    };
    if (removeSvds(layout, ofSize) + remove420Vics(layout, ofSize) +
            removeHdmiVics(layout, ofSize) ==
        0)
        return QStringLiteral("no VIC of %1x%2 is listed").arg(width).arg(height);
    return {};
}

// The HDMI Forum block: its vendor-specific form or the sink capability block. Both hold the
// version at payload byte 3 and the TMDS character rate at byte 4.
std::optional<int> hdmiForumBlock(const Layout &layout)
{
    if (const std::optional<int> v = layout.vendor(cta::HdmiForumOui))
        return v;
    const std::vector<int> scdb = layout.find(cta::Extended, HdmiForumSinkCapability);
    return scdb.empty() ? std::nullopt : std::optional<int>(scdb.front());
}

QString maxTmds(Layout &layout, int mhz)
{
    if (mhz < TmdsStepMhz || mhz > HdmiForumTmdsMaxMhz || mhz % TmdsStepMhz != 0)
        return QStringLiteral("%1 MHz is no TMDS clock: 5 to 600 in steps of 5").arg(mhz);
    const std::optional<int> hdmi = layout.vendor(cta::HdmiOui);
    const std::optional<int> forum = hdmiForumBlock(layout);
    if (mhz <= HdmiTmdsMaxMhz && !hdmi)
        return QStringLiteral("the table has no HDMI vendor-specific data block");
    if (mhz > HdmiTmdsMaxMhz && !forum)
        return QStringLiteral("the table has no HDMI Forum data block for a rate above 340 MHz");
    if (hdmi) {
        Bytes &p = layout.blocks[std::size_t(*hdmi)].payload;
        ensureSize(p, HdmiTmdsByte + 1);
        p[HdmiTmdsByte] = std::uint8_t(std::min(mhz, HdmiTmdsMaxMhz) / TmdsStepMhz);
    }
    if (forum) {
        Bytes &p = layout.blocks[std::size_t(*forum)].payload;
        ensureSize(p, HdmiForumTmdsByte + 1);
        // 0: no rate above 340 MHz.
        p[HdmiForumTmdsByte] = std::uint8_t(mhz > HdmiTmdsMaxMhz ? mhz / TmdsStepMhz : 0);
    }
    return {};
}

QString setEotfs(Layout &layout, const std::vector<int> &bits)
{
    std::uint8_t mask = 0;
    for (const int bit : bits)
        mask |= std::uint8_t(1 << bit);
    const std::vector<int> hdr = layout.find(cta::Extended, cta::HdrStatic);
    if (hdr.empty()) {
        layout.blocks.push_back({cta::Extended, {cta::HdrStatic, mask, 0x01}}); // metadata type 1
        return {};
    }
    Bytes &p = layout.blocks[std::size_t(hdr.front())].payload;
    ensureSize(p, 2);
    p[1] = std::uint8_t((p[1] & 0xF0) | mask);
    return {};
}

int formatOf(const std::uint8_t *sad)
{
    return (sad[0] >> 3) & 0x0F;
}

QString stereoOnly(Layout &layout)
{
    const std::vector<int> audio = layout.find(cta::Audio);
    if (audio.empty())
        return QStringLiteral("the table has no audio data block");
    // The rates and sizes of the first LPCM descriptor, or 32 to 48 kHz at 16 to 24 bits.
    Bytes sad{Lpcm2ch, 0x07, 0x07};
    bool found = false;
    for (const int b : audio) {
        const Bytes &p = layout.blocks[std::size_t(b)].payload;
        for (std::size_t i = 0; i + 3 <= p.size() && !found; i += 3)
            if (formatOf(&p[i]) == 1) {
                sad[1] = p[i + 1];
                sad[2] = p[i + 2];
                found = true;
            }
    }
    layout.blocks[std::size_t(audio.front())].payload = sad;
    for (auto b = audio.rbegin(); b != audio.rend() - 1; ++b)
        layout.blocks.erase(layout.blocks.begin() + *b);
    const Bytes frontPair{FrontLeftRight, 0x00, 0x00};
    const std::vector<int> speakers = layout.find(cta::Speakers);
    if (speakers.empty())
        layout.blocks.insert(layout.blocks.begin() + audio.front() + 1,
                             DataBlock{cta::Speakers, frontPair});
    else
        for (const int s : speakers)
            layout.blocks[std::size_t(s)].payload = frontPair;
    return {};
}

QString removeAudio(Layout &layout, const std::vector<int> &formats)
{
    const std::vector<int> audio = layout.find(cta::Audio);
    for (const int format : formats) {
        bool found = false;
        for (const int b : audio) {
            const Bytes &p = layout.blocks[std::size_t(b)].payload;
            for (std::size_t i = 0; i + 3 <= p.size(); i += 3)
                found = found || formatOf(&p[i]) == format;
        }
        if (!found)
            return QStringLiteral("the table lists no audio of format %1").arg(format);
    }
    for (const int b : audio) {
        Bytes &p = layout.blocks[std::size_t(b)].payload;
        Bytes kept;
        for (std::size_t i = 0; i + 3 <= p.size(); i += 3)
            if (std::find(formats.begin(), formats.end(), formatOf(&p[i])) == formats.end())
                kept.insert(kept.end(), p.begin() + std::ptrdiff_t(i),
                            p.begin() + std::ptrdiff_t(i) + 3);
        p = kept;
    }
    eraseBlocks(layout, [](const DataBlock &b) { return b.tag == cta::Audio && b.payload.empty(); });
    return {};
}

Bytes *hdmiPayload(Layout &layout)
{
    const std::optional<int> hdmi = layout.vendor(cta::HdmiOui);
    return hdmi ? &layout.blocks[std::size_t(*hdmi)].payload : nullptr;
}

QString physicalAddress(Layout &layout, const std::vector<int> &parts)
{
    Bytes *p = hdmiPayload(layout);
    if (p == nullptr)
        return QStringLiteral("the table has no HDMI vendor-specific data block");
    ensureSize(*p, 5);
    (*p)[3] = std::uint8_t(parts.at(0) << 4 | parts.at(1));
    (*p)[4] = std::uint8_t(parts.at(2) << 4 | parts.at(3));
    return {};
}

QString deepColour(Layout &layout, const std::vector<int> &depths)
{
    Bytes *p = hdmiPayload(layout);
    if (p == nullptr)
        return QStringLiteral("the table has no HDMI vendor-specific data block");
    ensureSize(*p, HdmiFlagsByte + 1);
    std::uint8_t bits = 0;
    for (const int depth : depths)
        bits |= depth == 30 ? 0x10 : depth == 36 ? 0x20 : 0x40;
    std::uint8_t &flags = (*p)[HdmiFlagsByte];
    flags = std::uint8_t((flags & ~DeepColourBits) | bits);
    if (depths.empty()) // 4:4:4 at a deep colour depth means nothing without one
        flags &= std::uint8_t(~DeepColourY444);
    return {};
}

void setFlag(Layout &layout, std::uint8_t bit, bool on)
{
    std::uint8_t &flags = layout.header[3];
    flags = on ? std::uint8_t(flags | bit) : std::uint8_t(flags & ~bit);
}

} // namespace

QString ctaEdit(Layout &layout, const Edit &edit)
{
    const auto dropExtended = [&](std::initializer_list<int> tags) {
        eraseBlocks(layout, [&](const DataBlock &b) {
            return std::find(tags.begin(), tags.end(), b.extendedTag()) != tags.end();
        });
        return QString();
    };
    switch (edit.kind) {
    case Edit::Kind::RemoveVic:
        return removeVics(layout, edit.values);
    case Edit::Kind::AddVic:
        return addVics(layout, edit.values);
    case Edit::Kind::RemoveMode:
        return removeMode(layout, edit.width, edit.height);
    case Edit::Kind::MaxTmds:
        return maxTmds(layout, edit.values.at(0));
    case Edit::Kind::HdrOff:
        return dropExtended({cta::HdrStatic});
    case Edit::Kind::Eotfs:
        return setEotfs(layout, edit.values);
    case Edit::Kind::AudioLpcm2ch:
        return stereoOnly(layout);
    case Edit::Kind::RemoveAudio:
        return removeAudio(layout, edit.values);
    case Edit::Kind::Ycbcr444:
        setFlag(layout, 0x20, edit.on);
        return {};
    case Edit::Kind::Ycbcr422:
        setFlag(layout, 0x10, edit.on);
        return {};
    case Edit::Kind::Ycbcr420Off:
        return dropExtended({cta::Ycbcr420Video, cta::Ycbcr420Map});
    case Edit::Kind::PhysicalAddress:
        return physicalAddress(layout, edit.values);
    case Edit::Kind::DeepColour:
        return deepColour(layout, edit.values);
    case Edit::Kind::Name:
        break;
    }
    return QStringLiteral("not an edit of the CTA-861 extension");
}

} // namespace edid::editparts
