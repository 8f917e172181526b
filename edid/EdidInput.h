#pragma once

#include "edid/EdidDecoder.h"

#include <QByteArray>
#include <QIODevice>
#include <QString>

// The bytes of a table to decode, from a file, standard input or the editor's text.
namespace edid
{

// Longest input looked at: a 512-byte table as hex text with generous spacing.
constexpr qsizetype MaxInputSize = 64 * 1024;

struct TableInput {
    Bytes bytes;
    QString error; // why the input is no table; empty when `bytes` holds one
    bool ok() const { return error.isEmpty(); }
};

// Raw bytes when the input starts with 0x00 (every EDID does), otherwise hex text: pairs of hex
// digits separated by blanks or line ends, as `edid read --hex` and the editor write them.
TableInput tableFromContents(const QByteArray &contents);

// A file's or a stream's contents, at most MaxInputSize + 1 bytes, so that a longer input
// shows as too long instead of being read whole.
QByteArray readBoundedInput(QIODevice &from);

// What the window's details page shows for the editor's text: the report, or why there is none.
QString detailsForEditorText(const QString &text);

} // namespace edid
