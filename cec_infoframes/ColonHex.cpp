#include "cec_infoframes/ColonHex.h"

#include <QList>
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

bool isHexDigit(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

} // namespace

void hexPairToByte(const char *pair, std::uint8_t *out)
{
    *out = std::uint8_t(std::uint8_t(nibble(pair[0]) << 4) + nibble(pair[1]));
}

QString BadChar::message() const
{
    if (ch == 0)
        return QStringLiteral("a hex digit is missing at position %1").arg(position);
    // A control character would not show between quotes.
    const QString shown =
        QChar::isPrint(ch)
            ? QStringLiteral("'%1'").arg(QString::fromUcs4(&ch, 1))
            : QStringLiteral("U+%1").arg(uint(ch), 4, 16, QLatin1Char('0')).toUpper();
    return QStringLiteral("%1 at position %2 is not a hex digit").arg(shown).arg(position);
}

BadChar badCharAt(const QString &plainText, std::size_t index)
{
    const QList<uint> typed = plainText.toUcs4();
    // Behind the typed text stand the carriage return and the end: a digit is missing there.
    const char32_t ch = index < std::size_t(typed.size()) ? char32_t(typed[qsizetype(index)]) : 0;
    return {ch, int(index) + 1};
}

Parsed parseColonHex(const QByteArray &text, Output &out, std::uint8_t scanLength, Mode mode)
{
    out.fill(0);
    const std::size_t length = std::min<std::size_t>(scanLength, std::size_t(text.size()));
    // A pair in front of a colon needs two characters; a text without colon has no pairs.
    if (colonAt(text, 0, length) || colonAt(text, 1, length) ||
        !text.left(qsizetype(length)).contains(':'))
        return {};

    std::optional<std::size_t> badAt;
    auto convert = [&](std::size_t first, std::size_t index) {
        const char pair[2] = {at(text, first), at(text, first + 1)};
        for (std::size_t d = 0; d < 2 && !badAt; ++d)
            if (!isHexDigit(pair[d]))
                badAt = first + d;
        hexPairToByte(pair, &out[index]);
    };

    std::size_t i = 0;
    std::size_t last = 0;
    // One slot stays free for the pair after the last colon.
    for (std::size_t k = 2; k < length && i < OutputSize - 1 && !badAt; ++k) {
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
    if (badAt) {
        out.fill(0);
        return {0, badAt};
    }
    if (mode == Mode::LengthByte)
        out[1] = std::uint8_t(i - 1);
    return {std::uint8_t(i + 1), std::nullopt};
}

} // namespace colonhex
