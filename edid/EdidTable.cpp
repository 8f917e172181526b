#include "edid/EdidTable.h"

#include <algorithm>

namespace edid
{

std::uint8_t edidChecksum(const std::uint8_t *block)
{
    std::uint8_t sum = 0;
    for (int i = 0; i < BlockSize - 1; ++i)
        sum = std::uint8_t(sum + block[i]);
    return std::uint8_t(0x100 - sum);
}

bool isConsistent(const Table &table)
{
    for (int b = 0; b < BlockCount; ++b)
        if (edidChecksum(table.data() + b * BlockSize) != table[std::size_t(checksumIndex(b))])
            return false;
    return true;
}

Table withChecksums(Table table)
{
    for (int b = 0; b < BlockCount; ++b)
        table[std::size_t(checksumIndex(b))] = edidChecksum(table.data() + b * BlockSize);
    return table;
}

bool hasEdidHeader(const Table &table)
{
    static constexpr std::uint8_t Header[] = {0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00};
    return std::equal(std::begin(Header), std::end(Header), table.begin());
}

} // namespace edid
