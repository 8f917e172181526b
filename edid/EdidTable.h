#pragma once

#include "device/Commands.h"

#include <array>
#include <cstdint>

// One EDID table: two 128-byte blocks, each ending in its checksum byte.
namespace edid
{

constexpr int TableSize = cmd::EdidSize;
constexpr int BlockSize = 128;
constexpr int BlockCount = TableSize / BlockSize;

using Table = std::array<std::uint8_t, TableSize>;

// The checksum byte of a block: all 128 bytes then add up to 0 modulo 256. Reads the first 127.
std::uint8_t edidChecksum(const std::uint8_t *block);

// Index of block `b`'s checksum byte (127, 255).
constexpr int checksumIndex(int b)
{
    return b * BlockSize + BlockSize - 1;
}

// Both checksum bytes match their blocks.
bool isConsistent(const Table &table);

// The table with both checksum bytes computed afresh.
Table withChecksums(Table table);

// Bytes 0 to 7 are 00 FF FF FF FF FF FF 00, as every EDID starts.
bool hasEdidHeader(const Table &table);

} // namespace edid
