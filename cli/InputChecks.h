#pragma once

#include "cec_infoframes/EntryText.h"
#include "edid/EdidFile.h"
#include "edid/EdidTable.h"

#include <QString>
#include <optional>

// Checks of typed and loaded input, made before any device is opened.
namespace cli
{

// Empty when `text` is colon hex ("50:04", two hex digits per byte) of a length `limits`
// accepts; otherwise the line that says what is wrong. The window's parser takes any character
// as a digit; a script's typo must not reach the device as some other byte.
QString checkColonHex(const QString &text, const colonhex::EntryLimits &limits);

enum class ChecksumPolicy { Refuse, Fix, Keep };

struct LoadedTable {
    std::optional<edid::Table> table;
    QString error; // when no table
};

// An EDID file, raw or hex text, as the window loads it (a longer raw table cut as `longer`
// says), refused without the EDID header unless `policy` keeps the table as it is, with its
// checksums judged by `policy`.
LoadedTable loadTableFile(const QString &fileName, ChecksumPolicy policy,
                          edid::LongerTable longer = edid::LongerTable::Refuse);

} // namespace cli
