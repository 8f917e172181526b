#pragma once

#include "cec_infoframes/EntryText.h"

#include <QString>

namespace colonhex
{

// Empty when `text` is colon hex ("50:04", two hex digits per byte) of a length `limits`
// accepts; otherwise the line that says what is wrong, naming the first character that is
// neither a hex digit nor a colon. Stricter than the window's parser, which ignores what
// follows the last pair: text from a script or a file is taken whole or not at all.
QString checkEntry(const QString &text, const EntryLimits &limits);

} // namespace colonhex
