#pragma once

#include "edid/EdidTable.h"

#include <QByteArray>
#include <QString>
#include <functional>

// EDID table files: saved as the raw 256 bytes; loaded raw, or as hex text when the first byte
// is not 0x00 (a well-formed EDID starts with 0x00).
namespace edid
{

constexpr int FileReadSize = 1024; // bytes of a text file that loading looks at
// The longest table an extension count can announce: block 0 and 255 extensions.
constexpr int MaxTableFileSize = 256 * BlockSize;

// What becomes of a binary table longer than the device's 256 bytes.
enum class LongerTable {
    Refuse,
    Truncate // its first 256 bytes, the extension count set to 1 and block 0's checksum fixed
};

struct DecodedFile {
    bool binary = false;
    Table table{};   // binary: the table (a 128-byte file gives a block 1 of zeros)
    QString text;    // text: the converted hex text
    QString problem; // why the file gives nothing to show: empty, its size, a bad character
    bool ok() const { return problem.isEmpty(); }
};

// Decodes a file. A binary one must hold 128 or 256 bytes (or, to be truncated, whole blocks up
// to MaxTableFileSize); a text is its first 1024 bytes, in which a space in the 48th column
// followed by CR LF or LF becomes one line feed, so that lines of 16 groups each followed by a
// space turn into hex text. A text that is not whole hex pairs making 128 or 256 bytes is
// refused with the reason and its place.
DecodedFile decodeEdidFile(const QByteArray &contents, LongerTable longer = LongerTable::Refuse);

struct FileResult {
    bool ok = false;
    QString errorString; // the file's error when !ok
};

struct LoadResult : FileResult {
    DecodedFile decoded;
};
LoadResult loadEdidFile(const QString &fileName, LongerTable longer = LongerTable::Refuse);

// Replaces `fileName` only once all 256 bytes are on disk; on any failure the old file stays
// whole. `opened` runs once the file is open for writing.
FileResult saveEdidFile(const QString &fileName, const Table &table,
                        const std::function<void()> &opened = {});

} // namespace edid
