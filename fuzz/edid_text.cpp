// EDID hex text parsing and rendering: any bytes, read as UTF-8 and as Latin-1, parsed by the
// editor's real parser; what parses is rendered and parsed again.
// Input: the text. Its first 256 bytes (zero-padded) are also rendered as a table.
#include "FuzzCheck.h"
#include "edid/EdidText.h"

#include <QList>
#include <QString>
#include <algorithm>
#include <cstring>

namespace
{

bool sameTable(const edid::Table &a, const edid::Table &b)
{
    return std::equal(a.begin(), a.end(), b.begin());
}

// A rendered table parses back to itself.
void checkRoundTrip(const edid::Table &table, const QString &text)
{
    FUZZ_CHECK(text.size() == edid::TableSize * 3);
    const edid::ParsedText again = edid::parseEdidText(text);
    FUZZ_CHECK(again.groups == edid::TableSize);
    FUZZ_CHECK(sameTable(again.table, table));
}

void checkText(const QString &text)
{
    const edid::ParsedText parsed = edid::parseEdidText(text);
    const edid::TextCheck check = edid::checkEdidText(text);
    FUZZ_CHECK(parsed.ok() == (check.kind != edid::TextCheck::FormatError));
    FUZZ_CHECK(parsed.ok() == parsed.problem.isEmpty());
    FUZZ_CHECK(check.problem == parsed.problem);
    if (!parsed.ok()) {
        FUZZ_CHECK(parsed.groups == -1);
        if (parsed.badChar)
            FUZZ_CHECK(parsed.badChar->line >= 1 && parsed.badChar->column >= 1 &&
                       parsed.badChar->column <= text.toUcs4().size());
        return;
    }

    // A table is one or two whole blocks, never padded: one block gets zeros after it.
    FUZZ_CHECK(parsed.groups == edid::BlockSize || parsed.groups == edid::TableSize);
    for (int i = parsed.groups; i < edid::TableSize; ++i)
        FUZZ_CHECK(parsed.table[std::size_t(i)] == 0);
    FUZZ_CHECK(sameTable(check.table, parsed.table));
    FUZZ_CHECK(check.kind == (edid::isConsistent(parsed.table) ? edid::TextCheck::Consistent
                                                               : edid::TextCheck::Inconsistent));
    checkRoundTrip(parsed.table, edid::edidTableText(parsed.table));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const char *chars = reinterpret_cast<const char *>(data);
    const QString utf8 = QString::fromUtf8(chars, qsizetype(size));
    const QString latin1 = QString::fromLatin1(chars, qsizetype(size));
    checkText(utf8);
    if (latin1 != utf8) // ASCII reads the same both ways
        checkText(latin1);

    edid::Table table{};
    std::memcpy(table.data(), data, std::min(size, table.size()));
    // What the editor shows, with the checksums bold or not, parses back in either case.
    const QString text = edid::renderedTable(table).plainText();
    checkRoundTrip(table, text);
    checkRoundTrip(table, text.toLower());
    FUZZ_CHECK(edid::readTableText(table).plainText() == text);
    return 0;
}
