#include "edid/EdidText.h"

#include <QChar>
#include <QList>
#include <algorithm>

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

bool isBlank(uint c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
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

HexPairs parseHexPairs(const QString &text, int maxBytes)
{
    // Code points, so that a position counts characters as the user sees them.
    const QList<uint> chars = text.toUcs4();
    const auto length = qsizetype(chars.size());
    HexPairs out;
    int line = 1;
    qsizetype lineStart = 0;
    for (qsizetype i = 0; i < length;) {
        if (chars[i] == '\n') {
            ++line;
            lineStart = i + 1;
        }
        if (isBlank(chars[i])) {
            ++i;
            continue;
        }
        qsizetype end = i;
        while (end < length && !isBlank(chars[end]))
            ++end;
        for (qsizetype k = i; k < end; ++k) {
            if (hexValue(chars[k]) < 0) {
                out.badChar = BadChar{char32_t(chars[k]), line, int(k - lineStart + 1)};
                out.problem = out.badChar->message();
                out.bytes.clear();
                return out;
            }
        }
        if (end - i != 2) {
            out.problem = QStringLiteral("line %1, column %2: %3 where a byte takes two hex digits")
                              .arg(line)
                              .arg(i - lineStart + 1)
                              .arg(end - i == 1 ? QStringLiteral("one hex digit")
                                                : QStringLiteral("%1 hex digits").arg(end - i));
            out.bytes.clear();
            return out;
        }
        if (out.bytes.size() == std::size_t(maxBytes)) {
            out.problem = QStringLiteral("line %1, column %2: the hex text holds more than %3 bytes")
                              .arg(line)
                              .arg(i - lineStart + 1)
                              .arg(maxBytes);
            out.bytes.clear();
            return out;
        }
        out.bytes.push_back(std::uint8_t(hexValue(chars[i]) << 4 | hexValue(chars[i + 1])));
        i = end;
    }
    return out;
}

QString notADeviceTable(int count)
{
    if (count == BlockSize || count == TableSize)
        return {};
    if (count == 0)
        return QStringLiteral("the input is empty");
    if (count < BlockSize)
        return QStringLiteral("%1 bytes are fewer than the 128 of one EDID block").arg(count);
    if (count > TableSize)
        return QStringLiteral("%1 bytes are more than the 256 of the device's table").arg(count);
    return QStringLiteral("%1 bytes are not a whole number of 128-byte blocks").arg(count);
}

ParsedText parseEdidText(const QString &text)
{
    ParsedText out;
    if (text.size() > MaxTextLength) {
        out.problem = QStringLiteral("the text has more than %1 characters").arg(MaxTextLength);
        return out;
    }
    // Every pair the text can hold is counted, so that a longer text is told by its size.
    const HexPairs pairs = parseHexPairs(text, MaxTextLength);
    out.badChar = pairs.badChar;
    out.problem = pairs.ok() ? notADeviceTable(int(pairs.bytes.size())) : pairs.problem;
    if (!out.problem.isEmpty())
        return out;
    out.groups = int(pairs.bytes.size());
    std::copy(pairs.bytes.begin(), pairs.bytes.end(), out.table.begin());
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
        return {TextCheck::FormatError, {}, parsed.badChar, parsed.problem};
    return {isConsistent(parsed.table) ? TextCheck::Consistent : TextCheck::Inconsistent,
            parsed.table, std::nullopt, QString()};
}

} // namespace edid
