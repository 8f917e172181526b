#include "cli/InputChecks.h"

#include "cec_infoframes/EntryCheck.h"
#include "edid/EdidFile.h"
#include "edid/EdidText.h"

#include <QFileInfo>
#include <QStringList>

namespace cli
{

QString checkColonHex(const QString &text, const colonhex::EntryLimits &limits)
{
    return colonhex::checkEntry(text, limits);
}

LoadedTable loadTableFile(const QString &fileName, ChecksumPolicy policy, edid::LongerTable longer)
{
    const edid::LoadResult loaded = edid::loadEdidFile(fileName, longer);
    if (!loaded.ok)
        return {std::nullopt,
                QStringLiteral("cannot read %1: %2").arg(fileName, loaded.errorString)};
    const edid::DecodedFile &decoded = loaded.decoded;
    if (!decoded.ok()) {
        const bool longerTable = decoded.binary && longer == edid::LongerTable::Refuse &&
                                 QFileInfo(fileName).size() > edid::TableSize;
        return {std::nullopt,
                QStringLiteral("%1: %2%3")
                    .arg(fileName,
                         decoded.binary ? decoded.problem
                                        : QStringLiteral("Hex Format Error: ") + decoded.problem,
                         longerTable ? QStringLiteral(" (--truncate writes its first 256 bytes)")
                                     : QString())};
    }
    edid::Table table = decoded.table;
    if (!decoded.binary) {
        const edid::TextCheck check = edid::checkEdidText(decoded.text);
        if (check.kind == edid::TextCheck::FormatError)
            return {std::nullopt,
                    QStringLiteral("%1: Hex Format Error: %2").arg(fileName, check.problem)};
        table = check.table;
    }
    if (!edid::hasEdidHeader(table) && policy != ChecksumPolicy::Keep)
        return {std::nullopt, QStringLiteral("%1: the table has no EDID header (00 FF FF FF FF FF "
                                             "FF 00): --force writes it anyway")
                                  .arg(fileName)};
    if (edid::isConsistent(table) || policy == ChecksumPolicy::Keep)
        return {table, QString()};
    if (policy == ChecksumPolicy::Fix)
        return {edid::withChecksums(table), QString()};

    QStringList wrong;
    for (int b = 0; b < edid::BlockCount; ++b) {
        const std::uint8_t *block = table.data() + b * edid::BlockSize;
        const std::uint8_t want = edid::edidChecksum(block);
        const std::uint8_t have = table[std::size_t(edid::checksumIndex(b))];
        if (want != have)
            wrong << QStringLiteral("block %1 has 0x%2, should be 0x%3")
                         .arg(b)
                         .arg(have, 2, 16, QLatin1Char('0'))
                         .arg(want, 2, 16, QLatin1Char('0'));
    }
    return {std::nullopt, QStringLiteral("%1: the EDID checksum is not correct (%2): "
                                         "--fix-checksums corrects it, --force writes it as it is")
                              .arg(fileName, wrong.join(QStringLiteral(", ")))};
}

} // namespace cli
