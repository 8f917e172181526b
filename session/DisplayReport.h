#pragma once

#include "session/DisplayFit.h"
#include "session/Steps.h"

#include <QJsonObject>
#include <QStringList>
#include <array>
#include <optional>

// The displays on the two outputs and the source's signal, read together on demand, and the
// report of them in words and as JSON.
namespace session
{

class DeviceSession;

struct DisplaysRead {
    Step failed;                          // ok, or the TV read step that failed
    std::optional<status::Values> signal; // none: the status read failed
    // TX A, TX B; none: no display there (its table has no EDID header)
    std::array<std::optional<DisplaySummary>, 2> displays;
};

// The status, then the TV EDID of each output; stops at a failed TV read.
DisplaysRead readDisplays(DeviceSession &s);

QStringList displaysLines(const DisplaysRead &read);
QJsonObject displaysJson(const DisplaysRead &read);

} // namespace session
