#include "edid/EdidInput.h"

#include "edid/EdidReport.h"
#include "edid/EdidText.h"

namespace edid
{
namespace
{

TableInput fromHexText(const QByteArray &text)
{
    // Latin-1: one character per byte, so the places named are the file's.
    const HexPairs pairs = parseHexPairs(QString::fromLatin1(text), MaxDecodeSize);
    if (!pairs.ok())
        return {{}, pairs.problem};
    TableInput in{pairs.bytes, notATable(qsizetype(pairs.bytes.size()))};
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

QByteArray readBoundedInput(QIODevice &from)
{
    QByteArray data;
    while (data.size() <= MaxInputSize) {
        const QByteArray chunk = from.read(MaxInputSize + 1 - data.size());
        if (chunk.isEmpty())
            break;
        data += chunk;
    }
    return data;
}

} // namespace edid
