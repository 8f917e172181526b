#pragma once

#include "edid/EdidDecoder.h"
#include "edid/EdidTable.h"

#include <optional>

// A CTA-861 extension taken apart into its data blocks and detailed timings, so that edits change
// blocks and the layout (lengths, the detailed-timing offset, padding) is written afresh.
namespace edid::cta
{

constexpr int ExtensionTag = 0x02;
constexpr int FirstDataBlock = 4;
constexpr int MaxPayload = 31; // a data block's length field has five bits

// Data block tags, and the extended tags in the first payload byte of tag 7.
enum Tag { Audio = 1, Video = 2, Vendor = 3, Speakers = 4, Extended = 7 };
enum ExtendedTag { HdrStatic = 6, Ycbcr420Video = 14, Ycbcr420Map = 15 };

constexpr std::uint32_t HdmiOui = 0x000C03;
constexpr std::uint32_t HdmiForumOui = 0xC45DD8;

struct DataBlock {
    int tag = 0;
    Bytes payload; // after the header byte
    int extendedTag() const { return tag == Extended && !payload.empty() ? payload[0] : -1; }
    std::uint32_t oui() const; // vendor-specific blocks; 0 otherwise
};

struct Layout {
    std::array<std::uint8_t, FirstDataBlock> header{}; // tag, revision, offset, flags
    std::vector<DataBlock> blocks;
    std::vector<Bytes> timings; // 18-byte detailed timing descriptors

    // Indexes into `blocks`.
    std::vector<int> find(int tag, int extendedTag = -1) const;
    std::optional<int> vendor(std::uint32_t oui) const;
};

struct Parsed {
    std::optional<Layout> layout;
    QString error; // why block 1 is no CTA extension that can be edited
};

// Block 1 of `table`, when the table announces it and it is a CTA-861 extension of revision 3 or
// later whose data blocks end at its detailed-timing offset.
Parsed parse(const Table &table);

// Writes `layout` into block 1 of `table`; an empty result when it does not fit in 127 bytes.
QString encode(const Layout &layout, Table &table);

} // namespace edid::cta
