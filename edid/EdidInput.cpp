#include "edid/EdidInput.h"

#include "edid/EdidReport.h"
#include "edid/EdidText.h"

namespace edid
{
namespace
{

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

TableInput fromHexText(const QByteArray &text)
{
    TableInput in;
    int line = 1, lineStart = 0;
    for (qsizetype i = 0; i < text.size();) {
        if (text[i] == '\n') {
            ++line;
            lineStart = int(i) + 1;
        }
        if (isBlank(text[i])) {
            ++i;
            continue;
        }
        qsizetype end = i;
        while (end < text.size() && !isBlank(text[end]))
            ++end;
        const auto where = [&](qsizetype at) {
            return QStringLiteral("line %1, column %2").arg(line).arg(at - lineStart + 1);
        };
        // The same words as the editor's check, so both name a bad digit alike.
        for (qsizetype k = i; k < end; ++k)
            if (hexValue(text[k]) < 0)
                return {{},
                        BadChar{char32_t(std::uint8_t(text[k])), line, int(k - lineStart + 1)}
                            .message()};
        if (end - i != 2)
            return {{},
                    QStringLiteral("%1: %2 where a byte takes two hex digits")
                        .arg(where(i), end - i == 1
                                           ? QStringLiteral("one hex digit")
                                           : QStringLiteral("%1 hex digits").arg(end - i))};
        if (in.bytes.size() == std::size_t(MaxDecodeSize))
            return {{}, QStringLiteral("the hex text holds more than 512 bytes")};
        in.bytes.push_back(std::uint8_t(hexValue(text[i]) << 4 | hexValue(text[i + 1])));
        i = end;
    }
    in.error = notATable(qsizetype(in.bytes.size()));
    if (!in.ok())
        in.bytes.clear();
    return in;
}

} // namespace

TableInput tableFromContents(const QByteArray &contents)
{
    if (contents.size() > MaxInputSize)
        return {{}, QStringLiteral("the input is longer than %1 bytes").arg(MaxInputSize)};
    if (contents.isEmpty() || contents[0] != '\0')
        return contents.isEmpty() ? TableInput{{}, notATable(0)} : fromHexText(contents);
    TableInput in;
    in.error = notATable(contents.size());
    if (in.ok())
        in.bytes.assign(contents.begin(), contents.end());
    return in;
}

QString detailsForEditorText(const QString &text)
{
    const TableInput in = tableFromContents(text.toLatin1());
    if (!in.ok())
        return QStringLiteral("No EDID table: %1\n").arg(in.error);
    return reportText(decodeEdid(in.bytes));
}

} // namespace edid
