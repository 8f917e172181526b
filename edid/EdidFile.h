#pragma once

#include "edid/EdidTable.h"

#include <QByteArray>
#include <QString>
#include <functional>

// EDID table files: saved as the raw 256 bytes; loaded raw, or as hex text when the first byte
// is not 0x00 (a well-formed EDID starts with 0x00).
namespace edid
{

constexpr int FileReadSize = 1024; // bytes of a file that loading looks at

struct DecodedFile {
    bool binary = false;
    Table table{}; // binary: the first 256 bytes, missing bytes 0
    QString text;  // text: the converted hex text
};

// Decodes the first 1024 bytes of a file (a shorter input counts as zero-filled). In a text,
// a space in the 48th column followed by CR LF or LF becomes one line feed, so that lines of
// 16 groups each followed by a space turn into hex text.
DecodedFile decodeEdidFile(const QByteArray &contents);

struct FileResult {
    bool ok = false;
    QString errorString; // the file's error when !ok
};

struct LoadResult : FileResult {
    DecodedFile decoded;
};
LoadResult loadEdidFile(const QString &fileName);

// Replaces `fileName` only once all 256 bytes are on disk; on any failure the old file stays
// whole. `opened` runs once the file is open for writing.
FileResult saveEdidFile(const QString &fileName, const Table &table,
                        const std::function<void()> &opened = {});

} // namespace edid
