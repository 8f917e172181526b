#pragma once

#include "edid/EdidText.h"

#include <QString>
#include <optional>

namespace keptedid
{

// Whether the EDID editor holds work of the user's (a table loaded, typed, edited or read from
// a display, not yet written) rather than the device's own table: any text but an empty one
// or the device's last table. Without a known device table, any text is the user's.
bool editorHoldsUserTable(const QString &editorText, const std::optional<edid::Table> &device);

} // namespace keptedid
