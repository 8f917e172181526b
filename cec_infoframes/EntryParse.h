#pragma once

#include "cec_infoframes/ColonHex.h"
#include "cec_infoframes/EntryText.h"

#include <QByteArray>
#include <QString>
#include <optional>

namespace colonhex
{

// A run of hex digits between colons that is not one byte: "004" in "50:004", "4" in "50:4:04".
struct BadGroup {
    QString group;           // as typed
    int position = 0;        // of its first character, from 1
    QString message() const; // "'004' at position 4 is not two hex digits"
};

// An editor's text as the bytes a command sends, or why there are none.
struct Entry {
    std::optional<QByteArray> bytes;
    std::optional<BadChar> badChar;   // a pair holds a character that is no hex digit
    std::optional<BadGroup> badGroup; // a group between colons is not two digits
    bool ok() const { return bytes.has_value(); }
    // The refusal a box names; empty when the text is refused by its length only, or not at all.
    QString problem() const;
};

// The bytes of an editor's text parsed in `mode` (LengthByte: the CEC length byte inserted);
// none when the text is outside `limits` or has no pairs to parse (the length rule's refusal),
// or when any group between colons is not exactly two hex digits (spaces and line ends after the
// last pair excepted): the parser alone would cut "50:004" to 50 00 without a word.
Entry parseEntry(const QString &plainText, const EntryLimits &limits, Mode mode = Mode::Plain);

} // namespace colonhex
