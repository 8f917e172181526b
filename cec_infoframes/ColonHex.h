#pragma once

#include <QByteArray>
#include <QString>
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

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

// A character of a pair that is no hex digit: the text is refused, nothing of it is sent.
struct BadChar {
    char32_t ch = 0;         // as typed; 0 when the text ends inside a pair
    int position = 0;        // from 1, in characters
    QString message() const; // "'g' at position 5 is not a hex digit"
};

// Converts two characters into one byte: each character is upper-cased, "9" and below give the
// code minus 0x30, anything else the code minus 0x37, in 8-bit arithmetic. The parser hands it
// hex digits only.
void hexPairToByte(const char *pair, std::uint8_t *out);

struct Parsed {
    std::uint8_t count = 0;           // bytes written, the length byte included; 0: refused
    std::optional<std::size_t> badAt; // index of the first character of a pair that is no digit
};

// Parses the first `scanLength` characters of a prepared entry text (carriage return included)
// into `out`, which is zero-filled first. Refuses, with nothing converted, a text that has a
// colon at position 0 or 1 or no colon at all, and one whose pairs hold a character that is no
// hex digit. Positions behind the text read as NUL and never as a colon.
Parsed parseColonHex(const QByteArray &text, Output &out, std::uint8_t scanLength, Mode mode);

// The bad character at `index` of the prepared form of `plainText` (one character each).
BadChar badCharAt(const QString &plainText, std::size_t index);

} // namespace colonhex
