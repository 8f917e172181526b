#include "edid/EdidText.h"

#include <QChar>
#include <QList>

namespace edid
{
namespace
{

// -1 for a character that is no hex digit.
int hexValue(uint c)
{
    if (c >= '0' && c <= '9')
        return int(c - '0');
    if (c >= 'A' && c <= 'F')
        return int(c - 'A' + 10);
    if (c >= 'a' && c <= 'f')
        return int(c - 'a' + 10);
    return -1;
}

bool isSeparator(uint c)
{
    return c == ' ' || c == '\n';
}

constexpr char HexDigits[] = "0123456789ABCDEF";

constexpr Colour Black{0, 0, 0, 255};
constexpr Colour Blue{0, 0, 255, 255};
constexpr int EditorPointSize = 8;

} // namespace

QString BadChar::message() const
{
    // A control character would not show between quotes.
    const QString shown =
        QChar::isPrint(ch)
            ? QStringLiteral("'%1'").arg(QString::fromUcs4(&ch, 1))
            : QStringLiteral("U+%1").arg(uint(ch), 4, 16, QLatin1Char('0')).toUpper();
    return QStringLiteral("%1 at line %2, column %3 is not a hex digit")
        .arg(shown)
        .arg(line)
        .arg(column);
}

ParsedText parseEdidText(const QString &text)
{
    ParsedText refused;
    refused.groups = -1;
    // Code points, so that a position counts characters as the user sees them.
    const QList<uint> chars = text.toUcs4();
    const int length = int(chars.size());
    if (length > MaxTextLength)
        return refused;
    for (int p = 0; p < length; p += 3) {
        // A lone digit at the end is half a byte: refused rather than guessed.
        if (p + 1 >= length || (p + 2 < length && !isSeparator(chars[p + 2])))
            return refused;
    }

    ParsedText out;
    int line = 1;
    int lineStart = 0;
    for (int p = 0; p < length; p += 3, ++out.groups) {
        int value = 0;
        for (int d = p; d < p + 2; ++d) {
            const int digit = hexValue(chars[d]);
            if (digit < 0) {
                refused.badChar = BadChar{char32_t(chars[d]), line, d - lineStart + 1};
                return refused;
            }
            value = value * 16 + digit;
        }
        if (out.groups < TableSize)
            out.table[std::size_t(out.groups)] = std::uint8_t(value);
        if (p + 2 < length && chars[p + 2] == '\n') {
            ++line;
            lineStart = p + 3;
        }
    }
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
        return {TextCheck::FormatError, {}, parsed.badChar};
    return {isConsistent(parsed.table) ? TextCheck::Consistent : TextCheck::Inconsistent,
            parsed.table, std::nullopt};
}

} // namespace edid
