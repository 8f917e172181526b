#pragma once

#include "cec_infoframes/EntryText.h"

#include <QString>

namespace colonhex
{

// Empty when `text` is colon hex ("50:04", two hex digits per byte) of a length `limits`
// accepts; otherwise the line that says what is wrong. The window's parser takes any character
// as a digit; text from a script or a file must not reach the device as some other byte.
QString checkEntry(const QString &text, const EntryLimits &limits);

} // namespace colonhex
