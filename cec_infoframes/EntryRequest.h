#pragma once

#include "cec_infoframes/ColonHex.h"
#include "cec_infoframes/EntryText.h"
#include "cec_infoframes/Outcome.h"
#include "device/Commands.h"

#include <QString>
#include <optional>

class CommandPrimitives;

namespace cecif
{

// The pause of the GUI thread between a write and its activate request.
constexpr std::uint32_t ActivatePauseMs = 100;

// The write request `code` for an editor's text parsed in `mode`, or nothing when the text is
// outside `limits` or has no pairs to parse.
std::optional<cmd::Request> entryRequest(const QString &plainText,
                                         const colonhex::EntryLimits &limits, colonhex::Mode mode,
                                         std::uint8_t code);

// The outcome of a text refused by `limits`: its message, no device traffic.
Outcome refused(const colonhex::EntryLimits &limits);

// Waits the pause, then sends the activate request for `write`; true when it was accepted.
bool activateAfterPause(CommandPrimitives &primitives, const cmd::Request &write,
                        std::uint8_t selector);

} // namespace cecif
