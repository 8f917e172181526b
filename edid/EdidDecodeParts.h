#pragma once

#include "edid/EdidDecoder.h"

// The decoder's pieces, one per kind of block; each reads exactly one 128-byte block.
namespace edid::parts
{

// An 18-byte detailed timing descriptor; its impossible values go to `problems`.
DetailedTiming detailedTiming(const std::uint8_t *d, int block, int offset,
                              std::vector<Problem> &problems);

void baseBlock(const std::uint8_t *b, EdidInfo &info);

// A CTA-861 extension at block `block`; its collections go into `info`.
CtaBlock ctaBlock(const std::uint8_t *b, int block, EdidInfo &info);

// The payload of a CTA data block (after its header byte) into the block's words and `info`.
void ctaDataBlock(const std::uint8_t *p, int length, int tag, int block, int offset, DataBlock &out,
                  EdidInfo &info);

// Tag 3 (vendor-specific) and tag 7 (extended tag in the first payload byte).
void vendorBlock(const std::uint8_t *p, int length, int block, int offset, DataBlock &out,
                 EdidInfo &info);
void extendedBlock(const std::uint8_t *p, int length, int block, int offset, DataBlock &out,
                   EdidInfo &info);

QString hex2(int value); // "0x1A"

} // namespace edid::parts
