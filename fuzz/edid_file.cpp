// EDID file loading: files of 0 to 2,000 bytes decoded by the real loader's decoding, binary or
// text by the first byte, with the 48th-column line-end conversion. A table from the input is
// also written as a text file of lines with a trailing space and loaded back.
// Input: the file's contents. Its first 256 bytes (zero-padded) are also the table for the text
// file; byte 256, bit k, picks LF instead of CR LF for line k % 8 of that file.
#include "FuzzCheck.h"
#include "edid/EdidFile.h"
#include "edid/EdidText.h"

#include <QByteArray>
#include <QString>
#include <algorithm>
#include <cstring>

namespace
{

constexpr std::size_t MaxFileSize = 2000;

void checkDecoded(const QByteArray &contents)
{
    const edid::DecodedFile decoded = edid::decodeEdidFile(contents);
    if (contents.isEmpty()) {
        FUZZ_CHECK(!decoded.ok());
        return;
    }
    if (contents[0] == '\0') {
        const qsizetype size = contents.size();
        FUZZ_CHECK(decoded.binary && decoded.text.isEmpty());
        FUZZ_CHECK(decoded.ok() == (size == edid::BlockSize || size == edid::TableSize));
        if (decoded.ok())
            for (std::size_t i = 0; i < decoded.table.size(); ++i)
                FUZZ_CHECK(decoded.table[i] ==
                           (qsizetype(i) < size ? std::uint8_t(contents[qsizetype(i)]) : 0));
        // Cut to 256 bytes: one extension, block 0 consistent, the rest as in the file.
        const edid::DecodedFile cut = edid::decodeEdidFile(contents, edid::LongerTable::Truncate);
        FUZZ_CHECK(cut.ok() == (size % edid::BlockSize == 0));
        if (cut.ok() && size > edid::TableSize) {
            FUZZ_CHECK(cut.table[126] == 1);
            FUZZ_CHECK(cut.table[127] == edid::edidChecksum(cut.table.data()));
            for (std::size_t i = 0; i < cut.table.size(); ++i)
                if (i != 126 && i != 127)
                    FUZZ_CHECK(cut.table[i] == std::uint8_t(contents[qsizetype(i)]));
        }
        return;
    }
    FUZZ_CHECK(!decoded.binary);
    // Loaded only when the text is a table of whole pairs (and nothing follows what is read).
    const bool table = edid::parseEdidText(decoded.text).ok();
    FUZZ_CHECK(decoded.ok() ? table : !table || contents.size() > edid::FileReadSize);
    // The conversion only ever removes characters, and the text stops at the first NUL.
    FUZZ_CHECK(decoded.text.size() <= edid::FileReadSize);
    FUZZ_CHECK(decoded.text.size() <= contents.size());
    FUZZ_CHECK(!decoded.text.contains(QChar(0)));
    // Without any line end to convert, the text is the file's start up to a NUL, unchanged.
    const QByteArray head = contents.left(edid::FileReadSize);
    if (!head.contains('\n')) {
        const qsizetype nul = head.indexOf('\0');
        FUZZ_CHECK(decoded.text == QString::fromLatin1(nul < 0 ? head : head.left(nul)));
    }
}

// The table as a file of 16 lines of 16 "XX " groups, each line ended by CR LF (or LF).
QByteArray textFile(const QString &hexText, std::uint8_t lfLines)
{
    QByteArray file;
    const QByteArray text = hexText.toLatin1();
    int line = 0;
    for (const char c : text) {
        if (c != '\n') {
            file += c;
            continue;
        }
        file += (lfLines >> (line % 8) & 1) ? " \n" : " \r\n";
        ++line;
    }
    return file;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size > MaxFileSize)
        return 0;
    checkDecoded(QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)));

    edid::Table table{};
    std::memcpy(table.data(), data, std::min(size, table.size()));
    const std::uint8_t lfLines = size > table.size() ? data[table.size()] : 0;
    const QString hexText = edid::edidTableText(table);
    for (const std::uint8_t lines : {std::uint8_t(0), lfLines}) {
        const QByteArray file = textFile(hexText, lines);
        const edid::DecodedFile decoded = edid::decodeEdidFile(file);
        FUZZ_CHECK(!decoded.binary && decoded.ok());
        FUZZ_CHECK(decoded.text == hexText);
        const edid::ParsedText parsed = edid::parseEdidText(decoded.text);
        FUZZ_CHECK(parsed.groups == edid::TableSize);
        FUZZ_CHECK(std::equal(parsed.table.begin(), parsed.table.end(), table.begin()));
    }
    return 0;
}
