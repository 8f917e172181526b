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

struct ParsedText {
    int groups = 0; // byte groups found, or -1 for a format error or a bad character
    Table table{};  // bytes beyond the parsed groups are 0
    std::optional<BadChar> badChar;
    bool ok() const { return groups >= 0; }
};

// Groups sit every three characters from the start: two digits, then a space, a line feed or
// the end of the text. A text laid out wrongly is a format error whatever its digits; in one
// laid out right, the first digit that is none is its bad character. Lower case is accepted.
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
};
TextCheck checkEdidText(const QString &text);

} // namespace edid
