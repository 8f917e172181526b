#include "edid/EdidText.h"

#include <QByteArray>

namespace edid
{
namespace
{

// '0'..'9' give 0..9; every other character its code minus 0x37, so 'A'..'F' give 10..15.
std::uint8_t nibble(std::uint8_t c)
{
    return c <= '9' ? std::uint8_t(c - '0') : std::uint8_t(c - 0x37);
}

constexpr char HexDigits[] = "0123456789ABCDEF";

constexpr Colour Black{0, 0, 0, 255};
constexpr Colour Blue{0, 0, 255, 255};
constexpr int EditorPointSize = 8;

} // namespace

ParsedText parseEdidText(const QString &text)
{
    ParsedText out;
    const QByteArray buffer = text.toUpper().toLatin1();
    const int length = int(buffer.size());
    if (length > MaxTextLength) {
        out.groups = -1;
        return out;
    }
    int groups = 0;
    for (int p = 0; p < length; p += 3, ++groups) {
        // A lone digit at the end is half a byte: refused rather than guessed.
        if (p + 1 >= length) {
            out.groups = -1;
            return out;
        }
        if (p + 2 < length && buffer[p + 2] != ' ' && buffer[p + 2] != '\n') {
            out.groups = -1;
            return out;
        }
        if (groups < TableSize)
            out.table[std::size_t(groups)] = std::uint8_t(nibble(std::uint8_t(buffer[p])) * 16 +
                                                          nibble(std::uint8_t(buffer[p + 1])));
    }
    out.groups = groups;
    return out;
}

QString edidTableText(const Table &table)
{
    // Written in place: the editor and the poll render whole tables often.
    QString text(TableSize * 3, Qt::Uninitialized);
    QChar *out = text.data();
    for (int i = 0; i < TableSize; ++i) {
        const std::uint8_t byte = table[std::size_t(i)];
        *out++ = QLatin1Char(HexDigits[byte >> 4]);
        *out++ = QLatin1Char(HexDigits[byte & 0x0F]);
        *out++ = (i % BytesPerLine == BytesPerLine - 1) ? QLatin1Char('\n') : QLatin1Char(' ');
    }
    return text;
}

QString EditorText::plainText() const
{
    QString text;
    for (const TextRun &run : runs)
        text += run.text;
    return text;
}

EditorText renderedTable(const Table &table)
{
    EditorText out;
    out.colour = Black;
    const QString text = edidTableText(table);
    int from = 0;
    for (int b = 0; b < BlockCount; ++b) {
        const int at = checksumIndex(b) * 3; // each byte takes three characters
        out.runs.push_back({text.mid(from, at - from), false});
        out.runs.push_back({text.mid(at, 2), true});
        from = at + 2;
    }
    out.runs.push_back({text.mid(from), false});
    return out;
}

EditorText readTableText(const Table &table)
{
    EditorText out;
    out.colour = Black;
    out.pointSize = EditorPointSize;
    out.runs.push_back({edidTableText(table), false});
    return out;
}

EditorText loadedText(const QString &text)
{
    EditorText out;
    out.colour = Blue;
    out.pointSize = EditorPointSize;
    out.runs.push_back({text, true});
    return out;
}

TextCheck checkEdidText(const QString &text)
{
    const ParsedText parsed = parseEdidText(text);
    if (!parsed.ok())
        return {};
    return {isConsistent(parsed.table) ? TextCheck::Consistent : TextCheck::Inconsistent,
            parsed.table};
}

} // namespace edid
