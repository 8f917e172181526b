#pragma once

#include "cec_infoframes/ColonHex.h"
#include "cec_infoframes/EntryText.h"

#include <QByteArray>
#include <QString>
#include <optional>

namespace colonhex
{

// An editor's text as the bytes a command sends, or why there are none.
struct Entry {
    std::optional<QByteArray> bytes;
    std::optional<BadChar> badChar; // a pair holds a character that is no hex digit
    bool ok() const { return bytes.has_value(); }
};

// The bytes of an editor's text parsed in `mode` (LengthByte: the CEC length byte inserted);
// none when the text is outside `limits`, has no pairs to parse or a character in a pair that
// is no hex digit.
Entry parseEntry(const QString &plainText, const EntryLimits &limits, Mode mode = Mode::Plain);

} // namespace colonhex
