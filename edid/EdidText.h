#pragma once

#include "edid/EdidTable.h"

#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

// The EDID hex text: 16 lines of 16 upper-case hex pairs, one space between pairs, every line
// ended by a line feed. The editor holds the current table only as this text.
namespace edid
{

constexpr int BytesPerLine = 16;
constexpr int MaxTextLength = 1023; // longer texts are refused, never cut

// A character where a hex digit belongs that is none: the text is refused, not guessed at.
struct BadChar {
    char32_t ch = 0;
    int line = 0;            // from 1
    int column = 0;          // from 1, in characters
    QString message() const; // "'g' at line 1, column 2 is not a hex digit"
};

// Hex pairs separated by blanks (spaces, tabs, line ends): the bytes, or why the text is none,
// with the place of the fault. At most `maxBytes` pairs are taken.
struct HexPairs {
    std::vector<std::uint8_t> bytes;
    QString problem; // empty when the text is whole pairs
    std::optional<BadChar> badChar;
    bool ok() const { return problem.isEmpty(); }
};
HexPairs parseHexPairs(const QString &text, int maxBytes);

// Why `count` bytes are no table for the device (128 or 256); empty when they are one.
QString notADeviceTable(int count);

struct ParsedText {
    int groups = -1; // 128 or 256 bytes found, or -1 when the text is no table
    Table table{};   // one block of 128 gets a second block of zeros
    std::optional<BadChar> badChar;
    QString problem; // why the text is no table, with its place
    bool ok() const { return groups >= 0; }
};

// The editor's text as a table: whole hex pairs, in either case, separated by blanks or line
// ends, 128 or 256 of them. Nothing else is a table: never padded, never cut.
ParsedText parseEdidText(const QString &text);

// The table in the hex text layout (768 characters), unformatted.
QString edidTableText(const Table &table);

// What the editor shows: text runs with their weight, in one colour and size.
struct TextRun {
    QString text;
    bool bold = false;
};
struct Colour {
    std::uint8_t red = 0, green = 0, blue = 0, alpha = 255;
    bool operator==(const Colour &o) const
    {
        return red == o.red && green == o.green && blue == o.blue && alpha == o.alpha;
    }
};
struct EditorText {
    std::vector<TextRun> runs;
    Colour colour;
    int pointSize = 0; // 0: the editor keeps its own size
    QString plainText() const;
};

// A rendered table: black, the two checksum bytes bold, no size of its own.
EditorText renderedTable(const Table &table);
// A table just read from the device: black, normal weight, 8 points; checksums not emphasised.
EditorText readTableText(const Table &table);
// A hex text file as loaded: blue, bold, 8 points, not validated.
EditorText loadedText(const QString &text);

// The checksum check of the editor text, before a write or on request.
struct TextCheck {
    enum Kind { FormatError, Consistent, Inconsistent } kind = FormatError;
    Table table{};
    std::optional<BadChar> badChar; // with FormatError, when a digit was the fault
    QString problem;                // with FormatError: why, and where
};
TextCheck checkEdidText(const QString &text);

} // namespace edid
