#include "edid/EdidCtaLayout.h"

#include <algorithm>

namespace edid::cta
{
namespace
{
constexpr int TimingSize = 18;
constexpr int ChecksumOffset = BlockSize - 1;
constexpr int ExtensionCountIndex = 126;
} // namespace

std::uint32_t DataBlock::oui() const
{
    if (tag != Vendor || payload.size() < 3)
        return 0;
    return std::uint32_t(payload[2]) << 16 | std::uint32_t(payload[1]) << 8 | payload[0];
}

std::vector<int> Layout::find(int tag, int extendedTag) const
{
    std::vector<int> out;
    for (std::size_t i = 0; i < blocks.size(); ++i)
        if (blocks[i].tag == tag && (extendedTag < 0 || blocks[i].extendedTag() == extendedTag))
            out.push_back(int(i));
    return out;
}

std::optional<int> Layout::vendor(std::uint32_t oui) const
{
    for (std::size_t i = 0; i < blocks.size(); ++i)
        if (blocks[i].oui() == oui)
            return int(i);
    return std::nullopt;
}

Parsed parse(const Table &table)
{
    const std::uint8_t *b = table.data() + BlockSize;
    if (table[ExtensionCountIndex] < 1 || b[0] != ExtensionTag)
        return {std::nullopt, QStringLiteral("the table has no CTA-861 extension")};
    if (b[1] < 3)
        return {std::nullopt, QStringLiteral("the CTA-861 extension of revision %1 has no data "
                                             "blocks")
                                  .arg(b[1])};
    const int dtdStart = b[2] == 0 ? FirstDataBlock : b[2];
    if (dtdStart < FirstDataBlock || dtdStart > ChecksumOffset)
        return {std::nullopt,
                QStringLiteral("the CTA-861 detailed-timing offset %1 is outside 4 to 127")
                    .arg(dtdStart)};
    Layout layout;
    std::copy(b, b + FirstDataBlock, layout.header.begin());
    if (b[2] == 0)
        return {layout, QString()}; // neither data blocks nor timings
    for (int o = FirstDataBlock; o < dtdStart;) {
        const int length = b[o] & 0x1F;
        if (o + 1 + length > dtdStart)
            return {std::nullopt,
                    QStringLiteral("the CTA-861 data block at byte %1 runs past the "
                                   "detailed-timing offset %2")
                        .arg(o)
                        .arg(dtdStart)};
        layout.blocks.push_back({b[o] >> 5, Bytes(b + o + 1, b + o + 1 + length)});
        o += 1 + length;
    }
    for (int o = dtdStart; o + TimingSize <= ChecksumOffset && (b[o] | b[o + 1]) != 0;
         o += TimingSize)
        layout.timings.emplace_back(b + o, b + o + TimingSize);
    return {layout, QString()};
}

QString encode(const Layout &layout, Table &table)
{
    std::array<std::uint8_t, BlockSize> b{};
    std::copy(layout.header.begin(), layout.header.end(), b.begin());
    int o = FirstDataBlock;
    for (const DataBlock &block : layout.blocks) {
        if (block.payload.size() > std::size_t(MaxPayload))
            return QStringLiteral("a data block would hold %1 bytes, more than 31")
                .arg(block.payload.size());
        const int end = o + 1 + int(block.payload.size());
        if (end > ChecksumOffset)
            return QStringLiteral("no room left in the CTA-861 extension");
        b[std::size_t(o)] = std::uint8_t(block.tag << 5 | int(block.payload.size()));
        std::copy(block.payload.begin(), block.payload.end(), b.begin() + o + 1);
        o = end;
    }
    // An offset of 0 (nothing follows) stays so while nothing is added.
    const bool empty = o == FirstDataBlock && layout.timings.empty();
    b[2] = std::uint8_t(empty && layout.header[2] == 0 ? 0 : o);
    for (const Bytes &timing : layout.timings) {
        if (o + TimingSize > ChecksumOffset)
            return QStringLiteral("no room left in the CTA-861 extension");
        std::copy(timing.begin(), timing.end(), b.begin() + o);
        o += TimingSize;
    }
    std::copy(b.begin(), b.end(), table.begin() + BlockSize);
    table[std::size_t(checksumIndex(1))] = edidChecksum(table.data() + BlockSize);
    return {};
}

} // namespace edid::cta
