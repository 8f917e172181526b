#pragma once

#include <QByteArray>
#include <QString>
#include <array>
#include <cstddef>
#include <cstdint>

// The byte entry syntax of the CEC and infoframe editors: two hex digits per byte, joined by
// colons ("60:c8:60:61:00").

// Bytes as two lower-case hex digits each, joined by colons ("87:01:1a").
QString formatColonHex(const std::uint8_t *bytes, std::size_t count);

namespace colonhex
{

constexpr std::size_t OutputSize = 100;
using Output = std::array<std::uint8_t, OutputSize>;

enum class Mode {
    Plain,     // bytes in order from offset 0
    LengthByte // first byte at 0, count of the following bytes at 1, the rest from 2 (CEC)
};

// Converts two characters into one byte: each character is upper-cased, "9" and below give the
// code minus 0x30, anything else the code minus 0x37, in 8-bit arithmetic. Never fails.
void hexPairToByte(const char *pair, std::uint8_t *out);

// Parses the first `scanLength` characters of a prepared entry text (carriage return included)
// into `out`, which is zero-filled first. Returns the number of bytes written (the length byte
// included), or 0, with nothing converted, for a text that has a colon at position 0 or 1 or no
// colon at all. Positions behind the text read as NUL and never as a colon.
std::uint8_t parseColonHex(const QByteArray &text, Output &out, std::uint8_t scanLength, Mode mode);

} // namespace colonhex
