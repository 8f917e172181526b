#include "cec_infoframes/ColonHex.h"

#include <algorithm>

QString formatColonHex(const std::uint8_t *bytes, std::size_t count)
{
    QString text;
    text.reserve(int(count) * 3);
    for (std::size_t i = 0; i < count; ++i) {
        if (i > 0)
            text += QLatin1Char(':');
        text += QStringLiteral("%1").arg(bytes[i], 2, 16, QLatin1Char('0'));
    }
    return text;
}

namespace colonhex
{
namespace
{

std::uint8_t nibble(char c)
{
    std::uint8_t code = std::uint8_t(c);
    if (code >= 'a' && code <= 'z')
        code = std::uint8_t(code - ('a' - 'A'));
    return std::uint8_t(code <= '9' ? code - 0x30 : code - 0x37);
}

// The text as a zero-filled buffer: nothing behind its end is read.
char at(const QByteArray &text, std::size_t pos)
{
    return pos < std::size_t(text.size()) ? text[qsizetype(pos)] : '\0';
}

bool colonAt(const QByteArray &text, std::size_t pos, std::size_t scanLength)
{
    return pos < scanLength && at(text, pos) == ':';
}

} // namespace

void hexPairToByte(const char *pair, std::uint8_t *out)
{
    *out = std::uint8_t(std::uint8_t(nibble(pair[0]) << 4) + nibble(pair[1]));
}

std::uint8_t parseColonHex(const QByteArray &text, Output &out, std::uint8_t scanLength, Mode mode)
{
    out.fill(0);
    const std::size_t length = std::min<std::size_t>(scanLength, std::size_t(text.size()));
    // A pair in front of a colon needs two characters; a text without colon has no pairs.
    if (colonAt(text, 0, length) || colonAt(text, 1, length) ||
        !text.left(qsizetype(length)).contains(':'))
        return 0;

    auto convert = [&](std::size_t first, std::size_t index) {
        const char pair[2] = {at(text, first), at(text, first + 1)};
        hexPairToByte(pair, &out[index]);
    };

    std::size_t i = 0;
    std::size_t last = 0;
    // One slot stays free for the pair after the last colon.
    for (std::size_t k = 2; k < length && i < OutputSize - 1; ++k) {
        if (!colonAt(text, k, length))
            continue;
        convert(k - 2, i);
        ++i;
        if (mode == Mode::LengthByte && i == 1)
            ++i;
        last = k;
        if (!colonAt(text, k + 3, length))
            break;
    }
    convert(last + 1, i);
    if (mode == Mode::LengthByte)
        out[1] = std::uint8_t(i - 1);
    return std::uint8_t(i + 1);
}

} // namespace colonhex
