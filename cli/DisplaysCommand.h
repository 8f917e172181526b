#pragma once

#include "cli/Cli.h"
#include "cli/Request.h"

namespace session
{
class DeviceSession;
}

namespace cli
{

// displays: the source's signal, then per output the display's table in brief and what of the
// signal it does not take. Reads the two displays' tables and the status, nothing else.
int showDisplays(session::DeviceSession &s, const Request &r, const Streams &io);

} // namespace cli
