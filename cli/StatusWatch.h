#pragma once

#include "cli/Cli.h"
#include "cli/Request.h"

#include <QString>

namespace session
{
class DeviceSession;
}

// status --watch: the input signal once, then a line for each change of it, until interrupted.
namespace cli
{

constexpr int MinWatchIntervalMs = 500;
constexpr int MaxWatchIntervalMs = 3600 * 1000;

// --interval SECONDS (a decimal number) into `r`; only with --watch.
bool parseWatchInterval(Request &r, const QString &text, QString &error);

// Reads the status every r.watchIntervalMs on the open session `s` and prints what changed,
// each line flushed at once; follows the device away and back. Ends with Ok when interrupted.
int watchStatus(session::DeviceSession &s, const Request &r, const Backend &backend,
                const Streams &io);

} // namespace cli
